# Lays out the HTML viewer's files in DEST: the page template and script from app/export/viewer, and
# three.js from node_modules when the set-up command has installed it (the runner reports a
# missing three.js when it is asked for a page). Run at build time, so that an npm install after
# configuring is picked up by the next build.
file(MAKE_DIRECTORY ${DEST})
foreach(name viewer.html viewer.js)
  file(COPY_FILE ${SRC}/app/export/viewer/${name} ${DEST}/${name} ONLY_IF_DIFFERENT)
endforeach()
set(three ${SRC}/node_modules/three)
foreach(name build/three.core.min.js build/three.module.min.js
             examples/jsm/controls/OrbitControls.js examples/jsm/loaders/GLTFLoader.js
             examples/jsm/utils/BufferGeometryUtils.js examples/jsm/utils/SkeletonUtils.js)
  get_filename_component(base ${name} NAME)
  if(EXISTS ${three}/${name})
    file(COPY_FILE ${three}/${name} ${DEST}/${base} ONLY_IF_DIFFERENT)
  endif()
endforeach()
