add_executable(checksum_bench ${CMAKE_CURRENT_SOURCE_DIR}/checksum_bench.cpp)
target_link_libraries(checksum_bench PRIVATE fennimar::core benchmark::benchmark)
