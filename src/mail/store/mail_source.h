// MailSource: a source handed to a join or an extraction, with what it
// holds, told once where it enters: a part file, one message, an mbox, a
// Maildir, or none of these. Everything after (ReceivedSets, PartExtractor,
// ForEachMessage) goes by what the source was found to be, without asking
// the file again.
#pragma once

#include <optional>
#include <string>

#include "mail/store/mail_store.h"
#include "platform/system_error.h"

namespace fennimar {

struct MailSource {
  std::string path;
  // How the source is named to the user: its path, or, for mail fetched
  // from a server into a temporary folder, the address it came from.
  std::string label;
  // A regular file that passes the part test (format/part_name.h).
  bool partFile = false;
  // What it holds as mail, judged by its content (MailStoreKindOf).
  MailStoreKind store = MailStoreKind::kNone;
  // Why `path`, a regular file, cannot be opened for reading, or why nothing
  // can be found under it; none when it can.
  std::optional<SystemError> unreadable;

  bool IsMail() const { return store != MailStoreKind::kNone; }
};

// Tells what `path` is. Only regular files and directories are read.
MailSource ClassifySource(const std::string& path);

}  // namespace fennimar
