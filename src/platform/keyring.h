// The desktop's keyring (the Secret Service, through libsecret), where the
// desktop program keeps the SMTP password: one secret per user name and
// server. Linked only into the desktop program and its tests.
#pragma once

#include <optional>
#include <string>

namespace fennimar {

struct KeyringLookup {
  std::optional<std::string> secret;  // none: not stored, or no keyring
  std::string error;                  // why, when the keyring failed
};

// The password stored for `user` at `server`.
KeyringLookup LookupSmtpPassword(const std::string& user, const std::string& server);
// Stores (or replaces) the password. The error text, empty on success.
std::string StoreSmtpPassword(const std::string& user, const std::string& server,
                              const std::string& password);
// Removes the password; nothing when none is stored. The error text, empty
// on success.
std::string ClearSmtpPassword(const std::string& user, const std::string& server);

}  // namespace fennimar
