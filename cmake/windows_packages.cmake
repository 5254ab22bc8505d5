# The Windows installer and the portable zip. The target windows_packages
# makes them into package/ of this tree (scripts/package.sh builds it) with
# cmake/make_windows_packages.cmake, through windows_packages.cmake in this
# tree, which names what goes in; the installer's test runs the same file
# into a folder of its own. Both need fennimar.exe and makensis (Debian's
# nsis); without them there is neither target nor file.
find_program(FENNIMAR_MAKENSIS makensis)
find_program(FENNIMAR_MINGW_STRIP x86_64-w64-mingw32-strip)
set(FENNIMAR_WINDOWS_PACKAGES ${CMAKE_BINARY_DIR}/windows_packages.cmake)
if(FENNIMAR_GUI_EXE AND FENNIMAR_MAKENSIS)
  # (Written in two steps: the Linux joiner's path is known at generation.)
  file(CONFIGURE OUTPUT ${FENNIMAR_WINDOWS_PACKAGES}.in @ONLY CONTENT [[
# Written by cmake/windows_packages.cmake: run with cmake -DOUTPUT_DIR=DIR -P
set(FENNIMAR_VERSION "@PROJECT_VERSION@")
set(FENNIMAR_SOURCE_DIR "@PROJECT_SOURCE_DIR@")
set(FENNIMAR_GUI_EXE "@FENNIMAR_GUI_EXE@")
set(FENNIMAR_CLI_EXE "@FENNIMAR_CLI_EXE@")
set(FENNIMAR_JOINEX_EXE "@FENNIMAR_JOINEX_EXE@")
set(FENNIMAR_JOINEX "$<TARGET_FILE:joinex>")
set(FENNIMAR_MAKENSIS "@FENNIMAR_MAKENSIS@")
set(FENNIMAR_STRIP "@FENNIMAR_MINGW_STRIP@")
set(FENNIMAR_HOST_STRIP "@CMAKE_STRIP@")
include("@PROJECT_SOURCE_DIR@/cmake/make_windows_packages.cmake")
]])
  file(GENERATE OUTPUT ${FENNIMAR_WINDOWS_PACKAGES} INPUT ${FENNIMAR_WINDOWS_PACKAGES}.in)
  add_custom_target(windows_packages
    COMMAND ${CMAKE_COMMAND} -DOUTPUT_DIR=${CMAKE_BINARY_DIR}/package -P ${FENNIMAR_WINDOWS_PACKAGES}
    COMMENT "Making the Windows installer and zip in ${CMAKE_BINARY_DIR}/package" VERBATIM)
  add_dependencies(windows_packages windows_programs joinex)
else()
  file(REMOVE ${FENNIMAR_WINDOWS_PACKAGES})
endif()
