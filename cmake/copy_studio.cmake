# Lays out the studio page's files in DEST: everything in app/studio/web (its page, scripts and
# styles, kept in their folders), and three.js from node_modules when the set-up command has installed it,
# under the same names as the viewer's. Run at build time, so that an edit of the page or an npm
# install after configuring is picked up by the next build.
file(MAKE_DIRECTORY ${DEST})
file(GLOB_RECURSE page RELATIVE ${SRC}/app/studio/web ${SRC}/app/studio/web/*)
foreach(name ${page})
  get_filename_component(folder ${DEST}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${SRC}/app/studio/web/${name} ${DEST}/${name} ONLY_IF_DIFFERENT)
endforeach()
set(three ${SRC}/node_modules/three)
foreach(name build/three.core.min.js build/three.module.min.js
             examples/jsm/controls/OrbitControls.js examples/jsm/controls/TransformControls.js
             examples/jsm/loaders/GLTFLoader.js examples/jsm/utils/BufferGeometryUtils.js
             examples/jsm/utils/SkeletonUtils.js)
  get_filename_component(base ${name} NAME)
  if(EXISTS ${three}/${name})
    file(COPY_FILE ${three}/${name} ${DEST}/${base} ONLY_IF_DIFFERENT)
  endif()
endforeach()
