// The keyring (the desktop's Secret Service through libsecret; the
// Credential Manager on Windows, keyring_win32.cpp), where the
// desktop program keeps the SMTP password and where an IMAP password may be
// kept: one secret per user name and server. Linked into the desktop
// program, fennimar-cli (which only looks up IMAP passwords) and the tests.
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

// The IMAP password stored for `user` at `server` ("host:port"), under the
// schema org.fennimar.ImapPassword with the attributes "user" and "server"
// (as `secret-tool store --label=... xdg:schema org.fennimar.ImapPassword
// user U server H:P` stores it). For a terminal program, which must never
// hang on a keyring: fails at once without a session bus (none is started),
// and gives up after `waitMs` on a keyring that does not answer in time (one
// waiting to be unlocked, say).
Result<std::string> LookupImapPassword(const std::string& user, const std::string& server,
                                       int waitMs);
// Stores (or replaces) an IMAP password.
Result<void> StoreImapPassword(const std::string& user, const std::string& server,
                               const std::string& password);

}  // namespace fennimar
