# The desktop program's split and merge, timed on the display (bench/gui.sh).
if(TARGET fennimar_app)
  add_executable(gui_bench ${CMAKE_CURRENT_SOURCE_DIR}/gui_bench.cpp)
  target_link_libraries(gui_bench PRIVATE fennimar_app fennimar_warnings)
endif()
