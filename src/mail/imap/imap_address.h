// ImapAddress: a mailbox on an IMAP server as the user names it,
// "imaps://USER@HOST[:PORT]/MAILBOX" (TLS from the first byte, port 993) or
// "imap://USER@HOST[:PORT]/MAILBOX" (plain text that must turn to TLS with
// STARTTLS before the password is sent, port 143).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/system_error.h"

namespace fennimar {

struct ImapAddress {
  bool tlsFromStart = true;  // imaps://; imap:// needs STARTTLS
  std::string user;          // percent escapes decoded
  std::string host;          // a name, or an IP address without brackets
  int port = 993;
  std::string mailbox;  // percent escapes decoded; INBOX when none is given
  // How the mailbox is named to the user: the address as given, which
  // holds no password.
  std::string label;
};

// True when `text` begins with "imap://" or "imaps://" (in any case).
bool IsImapAddress(std::string_view text);
// True when `text` begins with a URL scheme ("pop3://", "http://"): a
// source that is no file, whether or not it is supported.
bool LooksLikeUrl(std::string_view text);

// Reads an address for which IsImapAddress holds. Refused, with the reason:
// a password in the address, no user or host, a port that is no port, a
// control character or a byte beyond ASCII in the user or mailbox (these
// would end or change the commands they are sent in).
Result<ImapAddress> ParseImapAddress(std::string_view text);

}  // namespace fennimar
