# Installs the build into a fresh prefix and checks that the desktop program
# arrives with everything the desktop needs to show and start it.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... -P app_install_check.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path
    bin/fennimar
    bin/joinex
    lib/fennimar/joinex
    share/applications/fennimar.desktop
    share/fennimar/manual/fennimar.hhp
    share/fennimar/manual/index.html
    share/icons/hicolor/48x48/apps/fennimar.png
    share/icons/hicolor/128x128/apps/fennimar.png
    share/icons/hicolor/256x256/apps/fennimar.png
    share/icons/hicolor/scalable/apps/fennimar.svg
    share/mime/packages/fennimar-part.xml)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/fennimar.desktop entry)
foreach(line "Exec=fennimar %f" "Icon=fennimar" "MimeType=application/x-fennimar-part;")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
