# Mailing: base64 of a large file against coreutils, in-memory codec
# throughput, and the mailing of one part to a local server (bench/mail.sh).
add_executable(mail_base64_file ${CMAKE_CURRENT_SOURCE_DIR}/mail_base64_file.cpp)
target_link_libraries(mail_base64_file PRIVATE fennimar::core)
add_executable(mail_part_bench ${CMAKE_CURRENT_SOURCE_DIR}/mail_part_bench.cpp)
target_link_libraries(mail_part_bench PRIVATE fennimar::smtp)
add_executable(mail_codec_bench ${CMAKE_CURRENT_SOURCE_DIR}/mail_codec_bench.cpp)
target_link_libraries(mail_codec_bench PRIVATE fennimar::core benchmark::benchmark)
