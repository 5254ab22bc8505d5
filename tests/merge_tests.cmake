# Tests of the merge: the engine against its failure table, the dialog
# logic, the progress state, round trips and the companion joiner.
add_library(fennimar_merge_test_support STATIC merge_test_support.cpp)
target_link_libraries(fennimar_merge_test_support PUBLIC fennimar_test_support)
target_link_libraries(fennimar_merge_test_support PRIVATE fennimar_warnings)

function(fennimar_add_merge_test name)
  fennimar_add_test(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE fennimar_merge_test_support)
endfunction()

fennimar_add_merge_test(merge_engine_test merge_engine_test.cpp)
# One scenario runs the engine under the terminal front end.
target_link_libraries(merge_engine_test PRIVATE fennimar_terminal)
fennimar_add_merge_test(merge_roundtrip_test merge_roundtrip_test.cpp)
fennimar_add_merge_test(merge_form_test merge_form_test.cpp)
fennimar_add_test(progress_dialog_test progress_dialog_test.cpp)
# The Linux programs run as a user runs them (the Windows ones have
# cli_wine_test.sh and joinex_wine_test.sh).
if(TARGET fennimar-cli AND NOT WIN32)
  # Sanitizer builds link joinex dynamically (see src/cli/joinex.cmake).
  if(FENNIMAR_SANITIZE OR FENNIMAR_FUZZ)
    set(joinex_linking dynamic)
  else()
    set(joinex_linking static)
  endif()
  add_test(NAME cli_join COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_join_test.sh
                                 $<TARGET_FILE:fennimar-cli> $<TARGET_FILE:joinex> ${joinex_linking})
endif()
