// MailPartSize: the messages a mailing split would send, measured before a
// part is written, and the largest part size whose messages all stay within
// a mail server's size limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fennimar {

class PartMailer;

// The set a mailing split makes: the source file (its path names the
// parts), the target directory, the source's length and the recipient.
struct MailedSet {
  std::string sourcePath;
  std::string targetDirectory;
  std::string sourceName;  // as the parts' headers store it
  std::int64_t sourceSize = 0;
  std::string mailTo;
  bool manifest = false;  // the manifest follows the parts
  int recoveryCount = 0;  // and this many recovery files
};

// The largest message, in bytes, of the set that part files of `chunkSize`
// bytes (header included, above the header's size) make, the manifest's and
// the recovery files' after them included; the subject's part number grows
// wider with the index, so every message is measured. None when `mailer`
// cannot tell.
std::optional<std::uint64_t> LargestMessage(PartMailer& mailer, const MailedSet& set,
                                            std::int64_t chunkSize);

// The largest part size, header included, from `smallest` up to the largest
// part file the format allows, whose messages all stay within `limit`
// bytes; 0 when not even `smallest` fits.
std::int64_t LargestFittingChunk(PartMailer& mailer, const MailedSet& set, std::uint64_t limit,
                                 std::int64_t smallest);

}  // namespace fennimar
