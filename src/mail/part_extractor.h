// PartExtractor: takes the part files out of mail. Every attachment of the
// messages of a mail source (MailStore) whose name and first two bytes say
// it is a part file, as for a dropped file, is written into one directory
// under its own name, made safe; nothing else is written, no file that is
// there already is replaced, and a part that its message cuts short (fewer
// bytes than its header announces) is not kept.
#pragma once

#include <string>
#include <vector>

namespace fennimar {

enum class ExtractOutcome {
  kWritten,     // the part file is in the directory
  kNotAPart,    // a named attachment that is no part file
  kUnsafeName,  // its name is no safe file name (empty, ".", "..", control characters)
  kExists,      // a file of that name is in the directory already
  kCutShort,    // the message ends before the part does; nothing kept
  kFailed,      // reading the message or writing the file failed; nothing kept
};

struct ExtractedPart {
  std::string name;    // the attachment's name as the message gives it
  std::string source;  // the mail source it came from
  ExtractOutcome outcome = ExtractOutcome::kFailed;
};

class PartExtractor {
 public:
  // Writes into `directory`, which must exist.
  explicit PartExtractor(std::string directory) : directory_(std::move(directory)) {}

  // Reads every message of the mail source at `path`. False when it is no
  // mail source or cannot be read.
  bool AddSource(const std::string& path);
  // Every named attachment seen so far, in the order of the sources.
  const std::vector<ExtractedPart>& results() const { return results_; }
  // The count of parts written.
  int written() const;

 private:
  std::string directory_;
  std::vector<ExtractedPart> results_;
};

// The text a terminal prints for one result: "Extracted: REPORT.Z00" or
// "Skipped: notes.txt (in inbox.mbox): not a part file".
std::string ExtractResultText(const ExtractedPart& part);

}  // namespace fennimar
