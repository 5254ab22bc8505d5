# joinex, the companion joiner. A split onto removable media copies it beside
# the parts, so it must run where Fennimar is not installed: it is linked
# fully static when the C library allows it, else with static libstdc++ and
# libgcc. Sanitizer builds link it dynamically.
add_executable(joinex joinex.cpp)
target_link_libraries(joinex PRIVATE fennimar_terminal fennimar_warnings)
if(NOT FENNIMAR_SANITIZE AND NOT FENNIMAR_FUZZ)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static)
  check_cxx_source_compiles("#include <iostream>\nint main() { std::cout << 1; }"
                            FENNIMAR_FULLY_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(FENNIMAR_FULLY_STATIC)
    target_link_options(joinex PRIVATE -static)
  else()
    target_link_options(joinex PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endif()
install(TARGETS joinex RUNTIME DESTINATION bin)
