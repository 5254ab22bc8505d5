# The command lines, read without running a command.
fennimar_add_test(cli_command_line_test cli_command_line_test.cpp)
target_link_libraries(cli_command_line_test PRIVATE fennimar_command_options fennimar_mail_imap)
if(WIN32)
  return()  # the scripts below run from the Linux build, fennimar-cli.exe too
endif()
# The terminal front end, run as a user would run it.
add_test(NAME cli_split COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_split_test.sh $<TARGET_FILE:fennimar-cli>)
# Sources of 2 GiB and 5 GiB through the disk under /var/tmp, joined by
# fennimar-cli and joinex; not under the sanitizers, whose copy loops would
# take far longer.
if(NOT FENNIMAR_SANITIZE AND NOT FENNIMAR_FUZZ)
  add_test(NAME large_roundtrip COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/large_roundtrip_test.sh
                                        $<TARGET_FILE:fennimar-cli> $<TARGET_FILE:joinex>)
  # Its splits and joins of over 2 GiB, with their digests, keep both cores
  # busy: it runs alone, so that the tests that wait for a window or a
  # screen reader's tree meanwhile are not starved.
  set_tests_properties(large_roundtrip PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 RUN_SERIAL TRUE)
endif()
# The Windows joiner under wine (skipped when wine is missing).
if(FENNIMAR_BUILD_WINDOWS)
  add_test(NAME joinex_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/joinex_wine_test.sh
                                    $<TARGET_FILE:fennimar-cli> ${FENNIMAR_JOINEX_EXE})
  set_tests_properties(joinex_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  if(FENNIMAR_CLI_EXE)
    add_test(NAME cli_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cli_wine_test.sh
                                   $<TARGET_FILE:fennimar-cli> ${FENNIMAR_CLI_EXE})
    set_tests_properties(cli_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
  endif()
  if(FENNIMAR_GUI_EXE)
    # The Windows desktop program on an X server of its own, driven by key
    # presses (skipped without wine, Xvfb, openbox or xdotool).
    add_test(NAME app_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app_wine_test.sh
                                   $<TARGET_FILE:fennimar-cli> ${FENNIMAR_GUI_EXE})
    set_tests_properties(app_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600
                                             RESOURCE_LOCK x_server)
    # What a screen reader reads of it, through MSAA from a second program.
    add_test(NAME app_wine_accessibility
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app_wine_accessibility_test.sh
                     $<TARGET_FILE:fennimar-cli> ${FENNIMAR_GUI_EXE}
                     ${FENNIMAR_WINDOWS_DIR}/tests/msaa_tree.exe "Fennimar ${FENNIMAR_PROGRAM_VERSION}")
    set_tests_properties(app_wine_accessibility PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
                                                           RESOURCE_LOCK x_server)
    # The installer and the zip, made by the packaging step and tried in a
    # fresh prefix (skipped without makensis).
    add_test(NAME installer_wine COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/installer_wine_test.sh
                                         ${FENNIMAR_WINDOWS_PACKAGES} ${PROJECT_VERSION})
    set_tests_properties(installer_wine PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  endif()
endif()
# The Debian package, made from this build and run from a scratch root.
if(FENNIMAR_BUILD_GUI AND NOT FENNIMAR_SANITIZE AND NOT FENNIMAR_FUZZ)
  add_test(NAME package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package PROPERTIES TIMEOUT 600)
endif()
