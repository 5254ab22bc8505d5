# Mutated part sets fed to the merge engine (seeds: fuzz/merge_corpus).
fennimar_add_fuzzer(merge_fuzz ${CMAKE_CURRENT_LIST_DIR}/merge_fuzz.cpp)
