// TerminalPassword: the mail passwords of the terminal front end.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "mail/smtp/smtp_part_mailer.h"

namespace fennimar {

// The environment variables that hold the passwords, when set.
inline constexpr const char* kSmtpPasswordVariable = "FENNIMAR_SMTP_PASSWORD";
inline constexpr const char* kImapPasswordVariable = "FENNIMAR_IMAP_PASSWORD";

// A password kept elsewhere for `user` at `server` (the desktop's keyring),
// if one is found.
using StoredPassword =
    std::function<std::optional<std::string>(const std::string& user, const std::string& server)>;

// A password: the environment variable `variable`, else the `stored` one
// (when given), else asked on the terminal without echo (once per source;
// Ctrl-C at the prompt asks to stop), else none, with the reason.
PasswordSource TerminalPassword(const char* variable = kSmtpPasswordVariable,
                                StoredPassword stored = {});

}  // namespace fennimar
