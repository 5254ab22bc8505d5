# Mailing: encoders, the MIME composer and parser, the SMTP session and the
# part mailer, against a real SMTP server (aiosmtpd under /usr/bin/python3)
# and Python's email package.
add_library(fennimar_mail_test_support STATIC mail_test_server.cpp)
target_link_libraries(fennimar_mail_test_support PUBLIC fennimar_test_support fennimar::smtp)
target_link_libraries(fennimar_mail_test_support PRIVATE fennimar_warnings)
target_compile_definitions(fennimar_mail_test_support PRIVATE
  FENNIMAR_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

fennimar_add_test(mail_encoders_test mail_encoders_test.cpp)
target_link_libraries(mail_encoders_test PRIVATE fennimar_mail_test_support)
fennimar_add_test(mail_mime_composer_test mail_mime_composer_test.cpp)
target_link_libraries(mail_mime_composer_test PRIVATE fennimar_mail_test_support)
fennimar_add_test(mail_mime_parser_test mail_mime_parser_test.cpp)
target_link_libraries(mail_mime_parser_test PRIVATE fennimar_mail_test_support)
fennimar_add_test(mail_smtp_session_test mail_smtp_session_test.cpp)
target_link_libraries(mail_smtp_session_test PRIVATE fennimar_mail_test_support)
fennimar_add_test(mail_part_mailer_test mail_part_mailer_test.cpp)
target_link_libraries(mail_part_mailer_test PRIVATE fennimar_mail_test_support)
fennimar_add_test(mail_text_units_test mail_text_units_test.cpp)
if(WIN32)
  # The Credential Manager, in the test's own wine prefix.
  fennimar_add_test(app_keyring_test app_keyring_test.cpp)
  target_link_libraries(app_keyring_test PRIVATE fennimar_keyring)
endif()
if(WIN32)
  # The tests below run the Linux fennimar-cli; fennimar-cli.exe has its
  # own under wine (cli_wine_test.sh).
  return()
endif()
add_dependencies(mail_part_mailer_test fennimar-cli)
# The recipient's side, as a user runs fennimar-cli.
fennimar_add_test(mail_received_test mail_received_test.cpp)
target_link_libraries(mail_received_test PRIVATE fennimar_mail_test_support)
add_dependencies(mail_received_test fennimar-cli)
# Join and extract from a mailbox on a real Dovecot of the test's own, on
# loopback (skipped when dovecot is not installed).
add_test(NAME imap_join COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/imap_join_test.py
                                $<TARGET_FILE:fennimar-cli>)
set_tests_properties(imap_join PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
