# Mutated manifests fed to the manifest reader (seeds: fuzz/manifest_corpus).
fennimar_add_fuzzer(manifest_fuzz ${CMAKE_CURRENT_LIST_DIR}/manifest_fuzz.cpp USES fennimar_format)
