// TerminalPassword: the SMTP password of the terminal front end.
#pragma once

#include "mail/smtp/smtp_part_mailer.h"

namespace fennimar {

// The SMTP password: FENNIMAR_SMTP_PASSWORD, else asked on the terminal
// without echo (once per run; Ctrl-C at the prompt asks to stop), else none.
PasswordSource TerminalPassword();

}  // namespace fennimar
