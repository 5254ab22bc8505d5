# Tests of the desktop program. The window logic runs without a display;
# the windows themselves run under Xvfb.
if(NOT TARGET fennimar_app_logic)
  return()
endif()

fennimar_add_test(app_logic_test
  app_file_selection_test.cpp
  app_defaults_form_test.cpp)
target_link_libraries(app_logic_test PRIVATE fennimar_app_logic)

# The desktop keyring, in a private D-Bus session with a throw-away keyring.
add_executable(app_keyring_test app_keyring_test.cpp)
target_link_libraries(app_keyring_test PRIVATE fennimar_keyring GTest::gtest_main fennimar_warnings)
add_test(NAME app_keyring_test
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run_keyring_test.sh $<TARGET_FILE:app_keyring_test>)
set_tests_properties(app_keyring_test PROPERTIES TIMEOUT 120)

# The windows under a real X server. CI has no display: run_gui_test.sh
# starts a private Xvfb (xvfb-run) and, when installed, openbox on it.
if(NOT TARGET fennimar_app)
  return()
endif()
add_executable(app_gui_test
  app_gui_main.cpp
  app_dialogs_test.cpp
  app_gui_support.cpp
  app_main_window_test.cpp
  app_merge_test.cpp
  app_split_test.cpp)
# GTK itself tells what the file dialog's filters match.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
target_link_libraries(app_gui_test PRIVATE fennimar_app fennimar_test_support PkgConfig::GTK3
                      fennimar_mail_test_support GTest::gtest fennimar_warnings)
add_test(NAME app_gui_test
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run_gui_test.sh $<TARGET_FILE:app_gui_test>)
# xvfb-run -a picks the first free display number: two started at once can
# pick the same one, so the tests that start an X server take turns.
set_tests_properties(app_gui_test PROPERTIES TIMEOUT 300 RESOURCE_LOCK x_server)

# What a screen reader reads of the windows, through AT-SPI in a D-Bus
# session of the test's own.
add_test(NAME app_accessibility_test
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run_gui_test.sh dbus-run-session --
                 /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/app_accessibility_test.py
                 $<TARGET_FILE:fennimar> $<TARGET_FILE:fennimar-cli>)
set_tests_properties(app_accessibility_test PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
                                                        RESOURCE_LOCK x_server)

add_test(NAME app_install_test
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                 -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install_check
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/app_install_check.cmake)

# --help and --version answer in the terminal, without a display, and
# succeed.
add_test(NAME app_help_and_version
         COMMAND sh -c "unset DISPLAY WAYLAND_DISPLAY; help=$(\"$0\" --help) && version=$(\"$0\" --version) && [ \"\${help%%\n*}\" = 'Usage: fennimar [FILE]' ] && [ \"$version\" = \"fennimar $1\" ]"
                 $<TARGET_FILE:fennimar> ${PROJECT_VERSION})
