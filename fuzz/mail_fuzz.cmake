# Mailing: the MIME parser and the mail stores on arbitrary message files, ReadReply and the IMAP
# session on arbitrary server bytes, and the base64 and quoted-printable decoders.
fennimar_add_fuzzer(mail_parser_fuzz mail_parser_fuzz.cpp)
fennimar_add_fuzzer(mail_reply_fuzz mail_reply_fuzz.cpp)
target_link_libraries(mail_reply_fuzz PRIVATE fennimar::smtp)
fennimar_add_fuzzer(mail_decoders_fuzz mail_decoders_fuzz.cpp)
fennimar_add_fuzzer(mail_imap_fuzz mail_imap_fuzz.cpp)
target_link_libraries(mail_imap_fuzz PRIVATE fennimar_mail_imap)
