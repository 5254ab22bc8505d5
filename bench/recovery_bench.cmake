# The recovery files against par2 on the same data: `cmake --build BUILD
# --target recovery_bench` runs bench/recovery.sh on this build tree.
add_executable(recovery_tool ${CMAKE_CURRENT_LIST_DIR}/recovery_tool.cpp)
target_link_libraries(recovery_tool PRIVATE fennimar::core)
add_custom_target(recovery_bench
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/recovery.sh ${CMAKE_BINARY_DIR}
  USES_TERMINAL)
