# The terminal front end, run as a user would run it.
add_test(NAME cli_split COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_split_test.sh $<TARGET_FILE:fennimar-cli>)
