# joinex, the companion joiner. A split onto removable media copies it beside
# the parts, so it must run where Fennimar is not installed: it is linked
# fully static when the C library allows it, else with static libstdc++ and
# libgcc. Sanitizer builds link it dynamically. The Windows build (joinex.exe)
# is always fully static: it needs no DLL beyond those of every Windows.
if(WIN32)
  add_executable(joinex joinex.cpp joinex_main_win32.cpp)
  target_link_options(joinex PRIVATE -municode -static -s)
else()
  add_executable(joinex joinex.cpp joinex_main.cpp)
endif()
target_link_libraries(joinex PRIVATE fennimar_terminal fennimar_warnings)
if(NOT WIN32 AND NOT FENNIMAR_SANITIZE AND NOT FENNIMAR_FUZZ)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static)
  check_cxx_source_compiles("#include <iostream>\nint main() { std::cout << 1; }"
                            FENNIMAR_FULLY_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  set_target_properties(joinex PROPERTIES FENNIMAR_STATIC_CRYPTO ON)
  if(FENNIMAR_FULLY_STATIC)
    target_link_options(joinex PRIVATE -static)
  else()
    target_link_options(joinex PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endif()
# The joiners live where a split looks for them when the settings name no
# directory; `joinex` on the command line is a link to the Linux one.
if(NOT WIN32 AND NOT FENNIMAR_JOINER_ONLY)
  install(TARGETS joinex RUNTIME DESTINATION lib/fennimar)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK ../lib/fennimar/joinex \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/joinex\" SYMBOLIC)")
endif()
