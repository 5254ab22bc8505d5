# Tests of the desktop program. The window logic runs without a display;
# the windows themselves run under Xvfb.
if(NOT TARGET fennimar_app_logic)
  return()
endif()

fennimar_add_test(app_logic_test
  app_file_selection_test.cpp
  app_defaults_form_test.cpp)
target_link_libraries(app_logic_test PRIVATE fennimar_app_logic)
