// PartExtractor: takes the part files out of mail. Every attachment of the
// messages of a mail source (MailStore) whose name and first two bytes say
// it is a part file, as for a dropped file, is written into one directory
// under its own name, made safe; nothing else is written, no file that is
// there already is replaced, and a part that its message cuts short (fewer
// bytes than its header announces) is not kept. A part is written under a
// temporary name until it is complete; the extractor holds the directory's
// DirectoryLock, so temporary files that a killed run left there are removed
// when it starts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mail/store/mail_source.h"
#include "platform/directory_lock.h"

namespace fennimar {

enum class ExtractOutcome {
  kWritten,     // the part file is in the directory
  kNotAPart,    // a named attachment that is no part file
  kUnsafeName,  // its name is no safe file name (empty, ".", "..", control characters)
  kExists,      // a file of that name is in the directory already
  kCutShort,    // the message ends before the part does; nothing kept
  kFailed,      // reading the message or writing the file failed; nothing kept
  // Of a whole message, whose `name` tells which one:
  kUnreadable,  // the message cannot be read
  kLeftOut,     // nested too deeply or too many parts: some were not read
};

struct ExtractedPart {
  // The attachment's name as the message gives it; for an outcome of a whole
  // message, its file in a Maildir or "message N" in an mbox (empty for a
  // source that is one message).
  std::string name;
  std::string source;  // the mail source it came from
  ExtractOutcome outcome = ExtractOutcome::kFailed;
  std::string reason;  // the system's words for a failure, when it gave any
};

class PartExtractor {
 public:
  // Writes into `directory`, which must exist. `stopRequested` is asked
  // between messages and while a part is written; once it says yes, the
  // part being written is removed and nothing more is read.
  explicit PartExtractor(std::string directory, std::function<bool()> stopRequested = {});

  // Reads every message of the mail source. False when it is no mail source
  // or cannot be read.
  bool AddSource(const MailSource& source);
  // True once `stopRequested` said yes.
  bool stopped() const { return stopped_; }
  // Every named attachment seen so far, in the order of the sources.
  const std::vector<ExtractedPart>& results() const { return results_; }
  // The count of parts written.
  int written() const;

 private:
  bool StopRequested();

  std::string directory_;
  std::function<bool()> stopRequested_;
  std::unique_ptr<DirectoryLock> lock_;
  bool stopped_ = false;
  std::vector<ExtractedPart> results_;
};

// The text a terminal prints for one result: "Extracted: REPORT.Z00" or
// "Skipped: notes.txt (in inbox.mbox): not a part file".
std::string ExtractResultText(const ExtractedPart& part);

}  // namespace fennimar
