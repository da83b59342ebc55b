# The user's guide, Zorvantix.pdf in the module's folder, where the plot's Help button opens it.
#
# docs/guide/make_guide.py (Python 3, standard library) reads the module's descriptions, has the
# runner make a scene per picture, photographs the runner's viewer pages with a headless Chromium
# and prints the guide with it. So the guide needs the runner, the module, Chromium and the
# viewer's three.js (node_modules, which scripts/setup.sh installs with Chromium); without them
# it is skipped with a message. Include this after the runner's targets.

find_program(ZV_CHROMIUM NAMES chromium chromium-browser)
find_package(Python3 COMPONENTS Interpreter)
set(ZV_GUIDE_THREE ${CMAKE_SOURCE_DIR}/node_modules/three/build/three.module.min.js)

if(NOT ZV_CHROMIUM)
  message(STATUS "Chromium not found: the user's guide Zorvantix.pdf is not built")
elseif(NOT Python3_Interpreter_FOUND)
  message(STATUS "Python 3 not found: the user's guide Zorvantix.pdf is not built")
elseif(NOT EXISTS ${ZV_GUIDE_THREE})
  message(STATUS "three.js not installed (scripts/setup.sh): the user's guide Zorvantix.pdf is not built")
else()
  set(ZV_GUIDE_PDF ${ZV_PLUGIN_DIR}/Zorvantix.pdf)
  # Everything the guide is made from, so that it is made again when any of it changes.
  file(GLOB ZV_GUIDE_INPUTS CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/docs/guide/*.py ${CMAKE_SOURCE_DIR}/docs/guide/*.html
       ${CMAKE_SOURCE_DIR}/docs/guide/*.css ${CMAKE_SOURCE_DIR}/docs/guide/*.txt
       ${CMAKE_SOURCE_DIR}/res/description/* ${CMAKE_SOURCE_DIR}/res/strings_en-US/*.str
       ${CMAKE_SOURCE_DIR}/res/strings_en-US/description/*.str
       ${CMAKE_SOURCE_DIR}/app/export/viewer/*)
  list(APPEND ZV_GUIDE_INPUTS ${CMAKE_SOURCE_DIR}/docs/formula-language.md
       ${CMAKE_SOURCE_DIR}/res/3dPlot.tif ${CMAKE_SOURCE_DIR}/res/c4d_symbols.h ${ZV_GUIDE_THREE})
  # A sanitizer build's runner reports the system font library's own leaks; the tests' list of
  # known ones keeps them from failing the guide.
  set(ZV_GUIDE_ENV "")
  if(ZV_SANITIZE)
    set(ZV_GUIDE_ENV ${CMAKE_COMMAND} -E env LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp)
  endif()
  add_custom_command(
    OUTPUT ${ZV_GUIDE_PDF}
    COMMAND ${ZV_GUIDE_ENV} ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/docs/guide/make_guide.py
            --source ${CMAKE_SOURCE_DIR} --zvplot $<TARGET_FILE:zvplot> --plugins ${ZV_PLUGIN_DIR}
            --chromium ${ZV_CHROMIUM} --work ${CMAKE_BINARY_DIR}/guide --output ${ZV_GUIDE_PDF}
            --version ${PROJECT_VERSION}
    # Naming the targets also re-runs the guide when the runner or the module is rebuilt.
    DEPENDS ${ZV_GUIDE_INPUTS} zvplot zorvantix
    COMMENT "Writing the user's guide Zorvantix.pdf"
    VERBATIM)
  add_custom_target(zv_guide ALL DEPENDS ${ZV_GUIDE_PDF})
endif()
