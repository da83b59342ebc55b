# Lays out the runner's two pages in the build tree. Run at build time, so that an edit of a page
# or an npm install after configuring is picked up by the next build. Each page gets its own files,
# kept in their folders, and three.js from node_modules when the set-up command has installed it
# (the runner reports a missing three.js when it is asked for a page):
#   VIEWER  the viewer page's template and scripts, from app/export/viewer;
#   STUDIO  the studio's page, from app/studio/web, and the viewer's points layer, which it shares.
set(three ${SRC}/node_modules/three)
set(three_files build/three.core.min.js build/three.module.min.js
    examples/jsm/controls/OrbitControls.js examples/jsm/controls/TransformControls.js
    examples/jsm/loaders/GLTFLoader.js examples/jsm/utils/BufferGeometryUtils.js
    examples/jsm/utils/SkeletonUtils.js)

# Copies FILE (relative to FOLDER) into DEST, in the same folder below it.
function(copy_file folder name dest)
  get_filename_component(sub ${dest}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${sub})
  file(COPY_FILE ${folder}/${name} ${dest}/${name} ONLY_IF_DIFFERENT)
endfunction()

# Everything in FOLDER, then three.js, into DEST.
function(lay_out folder dest)
  file(MAKE_DIRECTORY ${dest})
  file(GLOB_RECURSE names RELATIVE ${folder} ${folder}/*)
  foreach(name ${names})
    copy_file(${folder} ${name} ${dest})
  endforeach()
  foreach(name ${three_files})
    get_filename_component(base ${name} NAME)
    if(EXISTS ${three}/${name})
      file(COPY_FILE ${three}/${name} ${dest}/${base} ONLY_IF_DIFFERENT)
    endif()
  endforeach()
endfunction()

lay_out(${SRC}/app/export/viewer ${VIEWER})
lay_out(${SRC}/app/studio/web ${STUDIO})
copy_file(${SRC}/app/export/viewer points_layer.js ${STUDIO})
