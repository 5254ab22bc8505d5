# joinex.exe: the same joiner sources, cross-built for Windows in a build
# tree of their own. The result is ${CMAKE_BINARY_DIR}/windows/src/cli/joinex.exe;
# the target `joinex_exe` builds it and is rebuilt with every build, so that
# it follows the sources it shares with joinex.
include(ExternalProject)
set(launcher)
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
set(FENNIMAR_JOINEX_EXE ${CMAKE_BINARY_DIR}/windows/src/cli/joinex.exe)
ExternalProject_Add(joinex_exe
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/windows
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
    ${launcher}
    -DFENNIMAR_JOINER_ONLY=ON
    -DFENNIMAR_WERROR=${FENNIMAR_WERROR}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target joinex
  BUILD_BYPRODUCTS ${FENNIMAR_JOINEX_EXE}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)
install(PROGRAMS ${FENNIMAR_JOINEX_EXE} DESTINATION lib/fennimar)
