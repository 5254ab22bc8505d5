// Fetching the messages of an IMAP mailbox that may carry parts into a
// Maildir of their own, so that the readers of stored mail take them as
// they take any Maildir.
//
// The server is asked for the messages whose subject is one our mailer
// writes ("Part  1 of total  4 parts of file:NAME ", and for the files that
// follow the parts "Manifest of file:NAME " and "Recovery part  1 of total
// 2 of file:NAME ", all holding "of file:") or whose text (headers
// and body, the attachments' own headers with their file names among them)
// holds ".Z", as every part name does (NAME.Z00). The search is deliberately
// wide: a message it lets through that carries no part is skipped later,
// where parts are told by their headers; one it kept back could not be
// joined at all. The mailbox is opened read-only and each message fetched
// with BODY.PEEK, so no flag changes: unread mail stays unread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "mail/imap/imap_address.h"
#include "mail/imap/imap_session.h"
#include "platform/system_error.h"

namespace fennimar {

// The search criteria described above.
inline constexpr const char* kPartSearch = "OR SUBJECT \"of file:\" TEXT \".Z\"";

// Gives the password once the server has been reached (so that a wrong host
// is told before anyone is asked); a failure ends the fetch with its reason.
using ImapPasswordSource = std::function<Result<std::string>()>;

// Fetches the messages found into `maildir` (an existing, empty directory):
// it gets cur/, new/ and tmp/, and each message lands in new/ under its UID.
// Gives the number of messages written. A failure names the step (with the
// server's answer where it gave one); `keepWaiting` saying no ends the fetch
// as a failure too, and the caller, who asked, knows why.
Result<std::size_t> FetchPartMessages(const ImapAddress& address,
                                      const ImapPasswordSource& password,
                                      const std::string& maildir, const KeepWaiting& keepWaiting,
                                      ImapTimeouts timeouts = {});

}  // namespace fennimar
