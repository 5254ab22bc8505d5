// TerminalPassword: the mail passwords of the terminal front end.
#pragma once

#include "mail/smtp/smtp_part_mailer.h"

namespace fennimar {

// The environment variables that hold the passwords, when set.
inline constexpr const char* kSmtpPasswordVariable = "FENNIMAR_SMTP_PASSWORD";
inline constexpr const char* kImapPasswordVariable = "FENNIMAR_IMAP_PASSWORD";

// A password: the environment variable `variable`, else asked on the
// terminal without echo (once per source; Ctrl-C at the prompt asks to
// stop), else none, with the reason.
PasswordSource TerminalPassword(const char* variable = kSmtpPasswordVariable);

}  // namespace fennimar
