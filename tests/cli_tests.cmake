# The terminal front end, run as a user would run it.
add_test(NAME cli_split COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_split_test.sh $<TARGET_FILE:fennimar-cli>)
# The Windows joiner under wine (skipped when wine is missing).
if(FENNIMAR_BUILD_WINDOWS_JOINER)
  add_test(NAME joinex_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/joinex_wine_test.sh
                                    $<TARGET_FILE:fennimar-cli> ${FENNIMAR_JOINEX_EXE}
                                    ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix)
  set_tests_properties(joinex_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
