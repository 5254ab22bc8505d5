// MailStore: the messages of a mail source as mail programs keep them: one
// saved message (.eml), an mbox file (messages one after another, each
// opened by a line "From ...", lines in them beginning with "From " quoted as
// ">From ", and ">From " as ">>From " by mboxrd writers), or a Maildir folder
// (one message per file in cur/ and new/).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/system_error.h"

namespace fennimar {

enum class MailStoreKind {
  kNone,     // no mail source
  kMessage,  // one message: a header block with "MIME-Version" at its start
  kMbox,     // a file whose first line begins with "From "
  kMaildir,  // a directory with a cur/ or new/ subdirectory
};

// Only the first kMailSniffSize bytes of a file are read to tell its kind.
inline constexpr std::int64_t kMailSniffSize = 64 * 1024;

// What `path` holds, judged by its content, not its name. Anything but a
// directory or a regular file (a FIFO, a device) is no mail source.
MailStoreKind MailStoreKindOf(const std::string& path);

// Why `path`, a regular file, cannot be opened for reading (so its kind
// cannot be told); none when it can, or when it is no regular file.
std::optional<SystemError> SourceOpenError(const std::string& path);

// One message: bytes [offset, offset + length) of the file at `path`.
struct StoredMessage {
  std::string path;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  bool fromQuoted = false;  // lines ">From ", ">>From "... are mbox quoting
};

// The time the message's "Date" field gives (MailDate), or none.
std::optional<std::int64_t> MessageDate(const StoredMessage& message);

// Hands every message of the source at `path`, a store of kind `kind`, to
// `visit`, in the store's order (a Maildir's files sorted by name, new/
// after cur/), until `visit` returns false. False when the source is no
// mail source or cannot be read.
bool ForEachMessage(const std::string& path, MailStoreKind kind,
                    const std::function<bool(const StoredMessage&)>& visit);

}  // namespace fennimar
