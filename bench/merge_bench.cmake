# The merge against `cat` of the same parts: `cmake --build BUILD --target
# merge_bench` runs bench/merge.sh on this build tree (1 GiB, 100 parts).
add_custom_target(merge_bench
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/merge.sh ${CMAKE_BINARY_DIR}
  USES_TERMINAL)
