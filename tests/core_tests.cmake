# Tests of the core: platform, settings, part format, split.
fennimar_add_test(part_format_test part_format_test.cpp)
fennimar_add_test(settings_store_test settings_store_test.cpp)
if(FENNIMAR_WITH_MAIL)
  target_compile_definitions(settings_store_test PRIVATE FENNIMAR_WITH_MAIL)
endif()
fennimar_add_test(split_engine_test split_engine_test.cpp)
fennimar_add_test(split_form_test split_form_test.cpp)
fennimar_add_test(platform_test platform_test.cpp)
fennimar_add_test(message_text_test message_text_test.cpp)
# The recovery files: the code, the encoders, the rebuild, the reader.
fennimar_add_test(recovery_test recovery_test.cpp)
