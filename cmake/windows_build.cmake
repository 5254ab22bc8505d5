# The Windows programs (joinex.exe for recipients, and the core's tests run
# under wine) are cross-built from the same sources in a build tree of their
# own, windows/ under this one, with MinGW-w64. The target `windows_programs`
# builds that tree with every build, so that it follows the shared sources;
# CTest runs the Windows tests together with this tree's own.
include(ExternalProject)
set(launcher)
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
               -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
set(FENNIMAR_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
set(FENNIMAR_JOINEX_EXE ${FENNIMAR_WINDOWS_DIR}/src/cli/joinex.exe)
set(windows_programs ${FENNIMAR_JOINEX_EXE})
# fennimar-cli.exe needs mail, and so OpenSSL built for Windows;
# fennimar.exe needs wxWidgets built for Windows as well.
if(EXISTS ${FENNIMAR_WINDOWS_OPENSSL}/lib/libssl.a)
  set(FENNIMAR_CLI_EXE ${FENNIMAR_WINDOWS_DIR}/src/cli/fennimar-cli.exe)
  list(APPEND windows_programs ${FENNIMAR_CLI_EXE})
  if(EXISTS ${FENNIMAR_WINDOWS_WX}/bin/wx-config)
    set(FENNIMAR_GUI_EXE ${FENNIMAR_WINDOWS_DIR}/src/app/fennimar.exe)
  endif()
endif()
# The libraries' caches by their real directories, or empty while missing:
# a library built (or rebuilt at another version) after this tree was
# configured changes the arguments, which configures the Windows tree again.
foreach(library OPENSSL WX ISAL)
  set(windows_${library})
  if(EXISTS ${FENNIMAR_WINDOWS_${library}})
    file(REAL_PATH ${FENNIMAR_WINDOWS_${library}} windows_${library})
  endif()
endforeach()
ExternalProject_Add(windows_programs
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${FENNIMAR_WINDOWS_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
    ${launcher}
    -DFENNIMAR_WINDOWS_TESTS=${FENNIMAR_BUILD_TESTS}
    -DFENNIMAR_WERROR=${FENNIMAR_WERROR}
    -DFENNIMAR_WINDOWS_OPENSSL=${windows_OPENSSL}
    -DFENNIMAR_WINDOWS_WX=${windows_WX}
    -DFENNIMAR_WINDOWS_ISAL=${windows_ISAL}
  BUILD_BYPRODUCTS ${windows_programs} ${FENNIMAR_GUI_EXE}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)
install(PROGRAMS ${windows_programs} DESTINATION lib/fennimar)
if(FENNIMAR_BUILD_TESTS)
  # The Windows tree's tests join this tree's, so that one ctest runs both.
  file(WRITE ${CMAKE_BINARY_DIR}/windows_tests.cmake "subdirs(\"${FENNIMAR_WINDOWS_DIR}\")\n")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
                                                         ${CMAKE_BINARY_DIR}/windows_tests.cmake)
endif()
