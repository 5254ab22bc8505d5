// PartExtractor: takes the part files out of mail. Every attachment of the
// messages of a mail source (MailStore) whose name and first two bytes say
// it is a part file, as for a dropped file, is written under its own name,
// made safe; nothing else is written, no file that is there already is
// replaced, and a part that its message cuts short (fewer bytes than its
// header announces) is not kept. A part is written under a temporary name
// until it is complete; the extractor holds the directory's DirectoryLock,
// so temporary files that a killed run left there are removed when it
// starts.
//
// Parts are grouped into sets by what their headers say (SetIdentity), not
// by their names, so two sets of one file in one mailbox never mix. Each set
// goes where a SetPlacement says; by default into the directory, unless its
// part names there belong to another set (one met before, or files already
// there), in which case into a subfolder named after the set's name and
// time ("REPORT.TXT 2026-11-30 10-02-05"); a set with no free place is
// skipped with its reason. The same part received twice is taken once; a
// second copy with other bytes never mixes in: the copy that matches its
// checksum is kept, the first one when both do.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "format/manifest.h"
#include "format/set_identity.h"
#include "mail/store/mail_source.h"
#include "platform/directory_lock.h"

namespace fennimar {

class MimeParser;

enum class ExtractOutcome {
  kWritten,     // the part file is in the directory
  kNotAPart,    // a named attachment that is no part file
  kUnsafeName,  // its name is no safe file name (empty, ".", "..", control characters)
  kExists,      // a file of that name is in the directory already
  kCutShort,    // the message ends before the part does; nothing kept
  kFailed,      // reading the message or writing the file failed; nothing kept
  kDuplicate,   // the same part, byte for byte, is there already
  kDiffers,     // another copy of this part, with other bytes, was kept (`reason` says which)
  kNoPlace,     // its set has no place to go (`reason` says why)
  // Of a whole message, whose `name` tells which one:
  kUnreadable,  // the message cannot be read
  kLeftOut,     // nested too deeply or too many parts: some were not read
};

struct ExtractedPart {
  // The attachment's name as the message gives it; for an outcome of a whole
  // message, the message (as `message`; empty for a source that is one
  // message).
  std::string name;
  std::string source;  // the label of the mail source it came from
  ExtractOutcome outcome = ExtractOutcome::kFailed;
  std::string reason;   // the system's words for a failure, when it gave any
  std::string message;  // its file in a Maildir ("cur/17...:2,S") or "message N" in an mbox
  std::optional<SetIdentity> set;    // what its header says, when the whole header was there
  int index = -1;                    // the index its header carries
  std::string path;                  // where it was written
  std::optional<std::int64_t> date;  // what its message's "Date" field says
};

// Where the parts of a set go: a directory that exists, or, when empty, the
// reason the set is not taken out.
struct SetPlace {
  std::string directory;
  std::string reason;
};
// Asked once per set, with the file name of the first part of it met.
using SetPlacement = std::function<SetPlace(const SetIdentity& set, const std::string& name)>;

class PartExtractor {
 public:
  // Writes into `directory`, which must exist. `stopRequested` is asked
  // between messages and while a part is written; once it says yes, the
  // part being written is removed and nothing more is read.
  explicit PartExtractor(std::string directory, std::function<bool()> stopRequested = {});

  // Sends each set where `placement` says instead.
  void SetPlacement(SetPlacement placement) { placement_ = std::move(placement); }
  // Reads every message of the mail source. False when it is no mail source
  // or cannot be read.
  bool AddSource(const MailSource& source);
  // True once `stopRequested` said yes.
  bool stopped() const { return stopped_; }
  // Every named attachment seen so far, in the order of the sources.
  const std::vector<ExtractedPart>& results() const { return results_; }
  // Takes out the manifests met in the sources, each beside its set; one
  // whose set is not here is skipped with that reason. Call it once, after
  // the last AddSource; their results follow the others.
  void PlaceManifests();
  // The count of named attachments seen, the manifests held included.
  std::size_t seen() const { return results_.size() + manifests_.size(); }
  // The count of parts (and files that follow them) written.
  int written() const;

 private:
  bool StopRequested();
  SetPlace PlaceOf(const SetIdentity& set, const std::string& name);
  SetPlace DefaultPlace(const SetIdentity& set, const std::string& name);
  bool IsFreeFor(const std::string& directory, const SetIdentity& set, const std::string& stem);
  void TakePart(MimeParser& parser, int k, const PartHeader& header, ExtractedPart& result);
  void TakeSecondCopy(MimeParser& parser, int k, const PartHeader& header,
                      const std::string& existing, ExtractedPart& result);
  void Write(MimeParser& parser, int k, const std::string& directory, ExtractedPart& result);
  bool TakeRecovery(MimeParser& parser, int k, const std::string& safe, ExtractedPart& result);
  bool HoldManifest(MimeParser& parser, int k, const std::string& safe, ExtractedPart& result);
  std::optional<SetIdentity> SetOfManifest(const std::string& name, const Manifest& manifest);

  std::string directory_;
  std::function<bool()> stopRequested_;
  std::unique_ptr<DirectoryLock> lock_;
  bool stopped_ = false;
  std::vector<ExtractedPart> results_;
  fennimar::SetPlacement placement_;
  std::map<SetIdentity, SetPlace> places_;
  // Which set holds a part stem in a directory, by (directory, stem).
  std::map<std::pair<std::string, std::string>, SetIdentity> claims_;
  // The part this run wrote for each (set, index), and where it came from.
  std::map<std::pair<SetIdentity, int>, std::pair<std::string, std::string>> copies_;
  // The manifests met, with their texts, until PlaceManifests.
  std::vector<std::pair<ExtractedPart, std::string>> manifests_;
};

// How a part in the mail is named to the user: "DATA.Z01 (in box.mbox,
// message 3)".
std::string PartOriginText(const ExtractedPart& part);

// The text a terminal prints for one result: "Extracted: REPORT.Z00" or
// "Skipped: notes.txt (in inbox.mbox, message 2): not a part file". A part
// written below `directory` is named by its path from there.
std::string ExtractResultText(const ExtractedPart& part, const std::string& directory = {});

}  // namespace fennimar
