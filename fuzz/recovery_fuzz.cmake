# Recovery files, whole, fed to their reader (seeds: fuzz/recovery_corpus).
fennimar_add_fuzzer(recovery_fuzz ${CMAKE_CURRENT_LIST_DIR}/recovery_fuzz.cpp)
