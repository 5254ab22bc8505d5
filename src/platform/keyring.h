// The desktop's keyring (the Secret Service, through libsecret), where the
// desktop program keeps the SMTP password: one secret per user name and
// server. Linked only into the desktop program and its tests.
#pragma once

#include <string>

#include "platform/system_error.h"

namespace fennimar {

// The password stored for `user` at `server`. Fails with the keyring's
// reason, or "none is stored in the keyring".
Result<std::string> LookupSmtpPassword(const std::string& user, const std::string& server);
// Stores (or replaces) the password.
Result<void> StoreSmtpPassword(const std::string& user, const std::string& server,
                               const std::string& password);
// Removes the password; nothing when none is stored.
Result<void> ClearSmtpPassword(const std::string& user, const std::string& server);

}  // namespace fennimar
