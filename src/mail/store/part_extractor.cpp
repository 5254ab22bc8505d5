#include "mail/store/part_extractor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "copy/part_digests.h"
#include "format/file_name.h"
#include "format/manifest.h"
#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "mail/mime/mime_parser.h"
#include "mail/store/mail_store.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/pending_file.h"
#include "recovery/recovery_format.h"

namespace fennimar {
namespace {

constexpr int kMaxPartIndex = 99;

// What the start of an attachment says of it as a part.
struct PartHead {
  std::int64_t wholeSize = 0;        // its header and the data it announces
  std::optional<PartHeader> header;  // none when the attachment is shorter than one
};

// Fills `head` with the first bytes of attachment `index`, decoded; the
// count of bytes it got (an attachment that cannot be read whole shows in
// it).
std::size_t DecodeHead(MimeParser& parser, int index, std::span<std::uint8_t> head) {
  std::size_t got = 0;
  (void)parser.DecodePart(index, [&](const std::uint8_t* data, std::size_t size) {
    std::size_t n = std::min(size, head.size() - got);
    std::copy(data, data + n, head.begin() + static_cast<std::ptrdiff_t>(got));
    got += n;
    return got < head.size();
  });
  return got;
}

// The part test of a dropped file, made on the attachment's decoded first
// two bytes: a count and the index the name carries, the index below the
// count. For a part, the least size of the whole part file: its header and
// the data the header announces (a part cut short has not got them all).
std::optional<PartHead> ReadPartHead(MimeParser& parser, int index, const std::string& name) {
  auto nameIndex = PartIndexFromName(name);
  if (!nameIndex) return std::nullopt;
  HeaderBytes head{};
  std::size_t got = DecodeHead(parser, index, head);
  if (got < 2) return std::nullopt;
  std::uint8_t stored = head[kPartIndexOffset];
  if (stored != *nameIndex || !IsValidPlace(head[kPartCountOffset], stored)) return std::nullopt;
  PartHead result{static_cast<std::int64_t>(kHeaderSize), std::nullopt};
  if (got == head.size()) {
    result.header = DecodeHeader(head);
    result.wholeSize += std::max(result.header->dataLength, 0);
  }
  return result;
}

// True when the part file at `path` holds the data its header announces,
// and the data matches the header's checksum.
bool PartFileVerifies(const std::string& path) {
  auto file = File::OpenRead(path);
  HeaderBytes bytes{};
  if (!file || !file->ReadAll(bytes.data(), bytes.size())) return false;
  PartHeader header = DecodeHeader(bytes);
  auto size = file->Size();
  if (!size || header.dataLength < 0 ||
      *size != static_cast<std::int64_t>(kHeaderSize) + header.dataLength)
    return false;
  PartChecksum sum;
  char buffer[65536];
  for (std::int64_t left = header.dataLength; left > 0;) {
    auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof buffer));
    if (!file->ReadAll(buffer, n)) return false;
    sum.Add(buffer, n);
    left -= static_cast<std::int64_t>(n);
  }
  return sum.Value() == header.checksum;
}

// How a second copy of a part compares with the file already taken out.
struct CopyComparison {
  bool identical = false;
  bool verifies = false;  // the new copy holds its announced data, matching its checksum
};

CopyComparison CompareCopy(MimeParser& parser, int k, const PartHeader& header,
                           const std::string& existing) {
  CopyComparison result;
  auto file = File::OpenRead(existing);
  std::optional<std::int64_t> size;
  if (file) {
    if (auto measured = file->Size()) size = *measured;
  }
  bool same = size.has_value();
  std::int64_t length = 0;
  PartChecksum sum;
  std::vector<char> theirs;
  bool read = parser
                  .DecodePart(k,
                              [&](const std::uint8_t* data, std::size_t n) {
                                // The data after the header counts for the checksum.
                                std::int64_t skip =
                                    std::clamp<std::int64_t>(std::int64_t{kHeaderSize} - length, 0,
                                                             static_cast<std::int64_t>(n));
                                sum.Add(data + skip, n - static_cast<std::size_t>(skip));
                                length += static_cast<std::int64_t>(n);
                                if (same) {
                                  theirs.resize(n);
                                  same = file->ReadAll(theirs.data(), n) &&
                                         std::memcmp(theirs.data(), data, n) == 0;
                                }
                                return true;
                              })
                  .ok();
  result.identical = read && same && size && length == *size;
  result.verifies = read && header.dataLength >= 0 &&
                    length == std::int64_t{kHeaderSize} + header.dataLength &&
                    sum.Value() == header.checksum;
  return result;
}

bool HoldsText(const std::string& path, const std::string& text) {
  auto file = File::OpenRead(path);
  if (!file) return false;
  auto size = file->Size();
  std::string there(text.size(), '\0');
  return size && *size == static_cast<std::int64_t>(text.size()) &&
         file->ReadAll(there.data(), there.size()) && there == text;
}

bool HoldsWhole(const std::string& path, std::int64_t wholeSize) {
  auto status = StatusOf(path);
  return status && status->size >= wholeSize;
}

// Temporary files that a killed run left in `directory`.
void RemoveLeftTemporaries(const std::string& directory) {
  auto names = DirectoryEntries(directory);
  if (!names) return;
  for (const std::string& name : *names) {
    std::string path = JoinPath(directory, name);
    if (name.starts_with(kExtractTemporaryPrefix) &&
        KindOf(path, Links::kTakeAsIs) != EntryKind::kDirectory) {
      (void)RemoveFile(path);
    }
  }
}

// What the header of the part file at `path` says of its set; none when it
// has no whole header.
std::optional<SetIdentity> IdentityOfFile(const std::string& path) {
  auto file = File::OpenRead(path);
  HeaderBytes bytes{};
  if (!file || !file->ReadAll(bytes.data(), bytes.size())) return std::nullopt;
  return IdentityOf(DecodeHeader(bytes));
}

ExtractedPart NewResult(const std::string& name, const std::string& source, ExtractOutcome outcome,
                        const std::string& message) {
  ExtractedPart result;
  result.name = name;
  result.source = source;
  result.outcome = outcome;
  result.message = message;
  return result;
}

}  // namespace

PartExtractor::PartExtractor(std::string directory, std::function<bool()> stopRequested)
    : directory_(std::move(directory)),
      stopRequested_(std::move(stopRequested)),
      lock_(std::make_unique<DirectoryLock>(directory_)) {
  // With the lock held, a temporary name here is what a killed run left.
  if (lock_->state() == DirectoryLock::State::kHeld) RemoveLeftTemporaries(directory_);
}

bool PartExtractor::StopRequested() {
  stopped_ = stopped_ || (stopRequested_ && stopRequested_());
  return stopped_;
}

SetPlace PartExtractor::PlaceOf(const SetIdentity& set, const std::string& name) {
  auto known = places_.find(set);
  if (known != places_.end()) return known->second;
  SetPlace place = placement_ ? placement_(set, name) : DefaultPlace(set, name);
  places_.emplace(set, place);
  return place;
}

// True when no part name of `stem` in `directory` belongs to another set:
// none met in this run, and no file there already.
bool PartExtractor::IsFreeFor(const std::string& directory, const SetIdentity& set,
                              const std::string& stem) {
  auto claim = claims_.find({directory, stem});
  if (claim != claims_.end()) return claim->second == set;
  EntryKind kind = KindOf(directory, Links::kTakeAsIs);
  if (kind == EntryKind::kNone) return true;
  if (kind != EntryKind::kDirectory) return false;
  std::string base = JoinPath(directory, stem);
  for (int k = 0; k <= kMaxPartIndex; ++k) {
    std::string path = PartPathFromBase(base, k);
    if (KindOf(path, Links::kTakeAsIs) == EntryKind::kNone) continue;
    if (KindOf(path, Links::kTakeAsIs) != EntryKind::kRegular || IdentityOfFile(path) != set)
      return false;
  }
  return true;
}

SetPlace PartExtractor::DefaultPlace(const SetIdentity& set, const std::string& name) {
  std::string stem = PartStem(name);
  // The folder is named after the file the set rebuilds, unless that name
  // would hide it or is none.
  auto stored = SafeFileName(set.name);
  std::string folder =
      (stored && !IsHiddenName(*stored) ? *stored : stem) + " " + SetTimeForFileName(set.time);
  for (const std::string& candidate :
       {directory_, JoinPath(directory_, folder),
        JoinPath(directory_, folder + " (" + std::to_string(set.count) + " parts)")}) {
    if (!IsFreeFor(candidate, set, stem)) continue;
    if (KindOf(candidate, Links::kTakeAsIs) == EntryKind::kNone) {
      if (auto made = MakeDirectory(candidate); !made) return {{}, made.error().Reason()};
    } else if (candidate != directory_ && lock_->state() == DirectoryLock::State::kHeld) {
      RemoveLeftTemporaries(candidate);
    }
    claims_.emplace(std::make_pair(candidate, stem), set);
    return {candidate, {}};
  }
  return {{}, "its part names are taken by other sets here and in \"" + folder + "\""};
}

bool PartExtractor::AddSource(const MailSource& source) {
  const std::string& path = source.path;
  int number = 0;
  return ForEachMessage(path, source.store, [&](const StoredMessage& message) {
    if (StopRequested()) return false;
    ++number;
    // Which message a result is about.
    std::string which = message.path != path ? JoinPath(FileNameOf(DirectoryOf(message.path)),
                                                        FileNameOf(message.path))
                        : message.fromQuoted ? "message " + std::to_string(number)
                                             : std::string();
    MimeParser parser;
    parser.SetStopCheck([this] { return StopRequested(); });
    SourceResult opened =
        parser.OpenSource(message.path, message.offset, message.length, message.fromQuoted);
    if (!opened.ok()) {
      results_.push_back(NewResult(which, source.label, ExtractOutcome::kUnreadable, which));
      results_.back().reason = opened.Reason();
      return true;
    }
    if (parser.Parse() != ParseOutcome::kOk)
      return true;  // not a MIME message: nothing in it to extract
    if (parser.LeftPartsOut())
      results_.push_back(NewResult(which, source.label, ExtractOutcome::kLeftOut, which));
    std::optional<std::int64_t> date = MessageDate(message);
    for (int k = 0; k < parser.PartCount() && !StopRequested(); ++k) {
      const std::string& name = parser.ParsedParts()[static_cast<std::size_t>(k)].name;
      if (name.empty()) continue;  // a message text, no attachment
      ExtractedPart result = NewResult(name, source.label, ExtractOutcome::kFailed, which);
      result.date = date;
      std::string safe = MimeParser::SafeFileName(name);
      std::optional<PartHead> head;
      if (safe.empty()) {
        result.outcome = ExtractOutcome::kUnsafeName;
      } else if (HoldManifest(parser, k, safe, result)) {
        continue;  // told once the sets are known
      } else if (!(head = ReadPartHead(parser, k, safe))) {
        result.outcome = ExtractOutcome::kNotAPart;
        if (TakeRecovery(parser, k, safe, result) && stopped_ &&
            result.outcome != ExtractOutcome::kWritten)
          return false;
      } else if (!head->header) {
        result.outcome = ExtractOutcome::kCutShort;  // not even a whole header
      } else {
        TakePart(parser, k, *head->header, result);
        // A stopped extraction kept nothing and has nothing to tell.
        if (stopped_ && result.outcome != ExtractOutcome::kWritten) return false;
        // The file is ours (the name was free and the rename never replaces),
        // so a part cut short is taken away again.
        if (result.outcome == ExtractOutcome::kWritten &&
            !HoldsWhole(result.path, head->wholeSize)) {
          (void)RemoveFile(result.path);
          copies_.erase({*result.set, result.index});
          result.outcome = ExtractOutcome::kCutShort;
        }
      }
      results_.push_back(std::move(result));
    }
    return !stopped_;
  });
}

void PartExtractor::TakePart(MimeParser& parser, int k, const PartHeader& header,
                             ExtractedPart& result) {
  result.set = IdentityOf(header);
  result.index = header.partIndex;
  std::string safe = MimeParser::SafeFileName(result.name);
  SetPlace place = PlaceOf(*result.set, safe);
  if (place.directory.empty()) {
    result.outcome = ExtractOutcome::kNoPlace;
    result.reason = place.reason;
    return;
  }
  std::string target = JoinPath(place.directory, safe);
  auto copy = copies_.find({*result.set, result.index});
  if (copy != copies_.end()) return TakeSecondCopy(parser, k, header, copy->second.first, result);
  if (KindOf(target, Links::kTakeAsIs) != EntryKind::kNone) {
    // A file of the same set is compared; any other keeps its name.
    if (KindOf(target, Links::kTakeAsIs) == EntryKind::kRegular &&
        IdentityOfFile(target) == result.set)
      return TakeSecondCopy(parser, k, header, target, result);
    result.outcome = ExtractOutcome::kExists;
    return;
  }
  Write(parser, k, place.directory, result);
}

// The same part met again: an identical copy is taken once; of two that
// differ, the one that matches its checksum is kept, the first when both
// do. Only a file this run wrote gives way to a sound copy.
void PartExtractor::TakeSecondCopy(MimeParser& parser, int k, const PartHeader& header,
                                   const std::string& existing, ExtractedPart& result) {
  CopyComparison compared = CompareCopy(parser, k, header, existing);
  auto copy = copies_.find({*result.set, result.index});
  bool ours = copy != copies_.end() && copy->second.first == existing;
  std::string from = ours ? copy->second.second : "the file already there";
  if (compared.identical) {
    result.outcome = ExtractOutcome::kDuplicate;
    result.path = existing;
    return;
  }
  if (ours && compared.verifies && !PartFileVerifies(existing) && RemoveFile(existing).ok()) {
    Write(parser, k, DirectoryOf(existing), result);
    if (result.outcome == ExtractOutcome::kWritten) {
      result.reason = "in place of the copy from " + from + ", which fails its checksum";
    }
    return;
  }
  result.outcome = ExtractOutcome::kDiffers;
  result.reason = compared.verifies ? "another copy of this part, from " + from + ", was kept"
                                    : "it fails its checksum; the copy from " + from + " was kept";
}

void PartExtractor::Write(MimeParser& parser, int k, const std::string& directory,
                          ExtractedPart& result) {
  std::string target = JoinPath(directory, MimeParser::SafeFileName(result.name));
  PartResult extracted = parser.ExtractPartToDirectory(k, directory);
  if (!extracted.ok()) {
    result.outcome = (KindOf(target, Links::kTakeAsIs) != EntryKind::kNone)
                         ? ExtractOutcome::kExists
                         : ExtractOutcome::kFailed;
    result.reason = extracted.Reason();
    return;
  }
  result.outcome = ExtractOutcome::kWritten;
  result.path = target;
  if (result.index >= 0) copies_[{*result.set, result.index}] = {target, PartOriginText(result)};
}

// A recovery file, told by its name and its header, goes where the parts of
// the set it names go. False when the attachment is no recovery file.
bool PartExtractor::TakeRecovery(MimeParser& parser, int k, const std::string& safe,
                                 ExtractedPart& result) {
  auto index = RecoveryIndexFromName(safe);
  RecoveryHeaderBytes bytes{};
  if (!index || DecodeHead(parser, k, bytes) < bytes.size()) return false;
  RecoveryHeaderRead read = DecodeRecoveryHeader(bytes);
  if (read.fault != RecoveryFault::kNone || read.header.recoveryIndex != *index) return false;
  result.set = IdentityOf(read.header.SetHeader());
  SetPlace place = PlaceOf(*result.set, safe);
  std::string target = JoinPath(place.directory, safe);
  if (place.directory.empty()) {
    result.outcome = ExtractOutcome::kNoPlace;
    result.reason = place.reason;
  } else if (KindOf(target, Links::kTakeAsIs) != EntryKind::kNone) {
    bool same = CompareCopy(parser, k, PartHeader{}, target).identical;
    result.outcome = same ? ExtractOutcome::kDuplicate : ExtractOutcome::kExists;
    if (same) result.path = target;
  } else {
    Write(parser, k, place.directory, result);
    auto whole = static_cast<std::int64_t>(kRecoveryHeaderSize) + read.header.shardSize;
    if (result.outcome == ExtractOutcome::kWritten && !HoldsWhole(result.path, whole)) {
      (void)RemoveFile(result.path);
      result.outcome = ExtractOutcome::kCutShort;
    }
  }
  return true;
}

// A manifest is held, as its text, until the sets it may belong to are all
// known. False when the attachment is none the strict reader takes.
bool PartExtractor::HoldManifest(MimeParser& parser, int k, const std::string& safe,
                                 ExtractedPart& result) {
  if (!safe.ends_with(kManifestSuffix) || safe.size() == kManifestSuffix.size()) return false;
  std::string text;
  bool read = parser
                  .DecodePart(k,
                              [&](const std::uint8_t* data, std::size_t size) {
                                text.append(reinterpret_cast<const char*>(data), size);
                                return text.size() <= kMaxManifestSize;
                              })
                  .ok();
  if (!read || text.size() > kMaxManifestSize ||
      ParseManifest(text).refusal != ManifestRefusal::kNone)
    return false;
  manifests_.emplace_back(result, std::move(text));
  return true;
}

// The set whose file the manifest's last line names and whose parts its
// other lines list, one for each, under the manifest's own stem; of several
// such sets, the first whose parts here match their digests.
std::optional<SetIdentity> PartExtractor::SetOfManifest(const std::string& name,
                                                        const Manifest& manifest) {
  const std::vector<ManifestEntry>& entries = manifest.entries;
  for (std::size_t k = 0; k + 1 < entries.size(); ++k) {
    if (PartStem(entries[k].name) != PartStem(name) ||
        PartIndexFromName(entries[k].name) != static_cast<int>(k))
      return std::nullopt;
  }
  auto agrees = [&](const SetIdentity& set) {
    for (int k = 0; k < set.count; ++k) {
      auto copy = copies_.find({set, k});
      if (copy == copies_.end()) continue;
      auto digest = DigestFile(copy->second.first);
      return digest && *digest == entries[static_cast<std::size_t>(k)].digest;
    }
    return true;  // none of its parts is here to say otherwise
  };
  for (const auto& [set, place] : places_) {
    if (!place.directory.empty() && static_cast<std::size_t>(set.count) + 1 == entries.size() &&
        SafeFileName(set.name) == entries.back().name && agrees(set))
      return set;
  }
  return std::nullopt;
}

void PartExtractor::PlaceManifests() {
  for (auto& [result, text] : manifests_) {
    std::string safe = MimeParser::SafeFileName(result.name);
    result.set = SetOfManifest(safe, ParseManifest(text).manifest);
    std::string directory = result.set ? places_[*result.set].directory : std::string();
    std::string target = JoinPath(directory, safe);
    if (!result.set) {
      result.outcome = ExtractOutcome::kNoPlace;
      result.reason = "none of the sets it lists is in the mail";
    } else if (KindOf(target, Links::kTakeAsIs) != EntryKind::kNone) {
      bool same = HoldsText(target, text);
      result.outcome = same ? ExtractOutcome::kDuplicate : ExtractOutcome::kExists;
      if (same) result.path = target;
    } else {
      auto file = PendingFile::Create(target);
      Result<void> written = file ? file->file().Write(text.data(), text.size()) : file.error();
      if (written) written = file->Commit();
      result.outcome = written ? ExtractOutcome::kWritten : ExtractOutcome::kFailed;
      if (written) result.path = target;
      if (!written) result.reason = written.error().Reason();
    }
    results_.push_back(std::move(result));
  }
  manifests_.clear();
}

int PartExtractor::written() const {
  return static_cast<int>(std::count_if(results_.begin(), results_.end(), [](const auto& r) {
    return r.outcome == ExtractOutcome::kWritten;
  }));
}

namespace {

std::string WhereText(const ExtractedPart& part) {
  return FileNameOf(part.source) + (part.message.empty() ? "" : ", " + part.message);
}

}  // namespace

std::string PartOriginText(const ExtractedPart& part) {
  std::string safe = MimeParser::SafeFileName(part.name);
  return (safe.empty() ? "(unsafe name)" : safe) + " (in " + WhereText(part) + ")";
}

std::string ExtractResultText(const ExtractedPart& part, const std::string& directory) {
  if (part.outcome == ExtractOutcome::kWritten) {
    std::string shown = !directory.empty() && part.path.starts_with(directory + "/")
                            ? part.path.substr(directory.size() + 1)
                            : MimeParser::SafeFileName(part.name);
    return "Extracted: " + shown + (part.reason.empty() ? "" : " (" + part.reason + ")");
  }
  bool wholeMessage =
      part.outcome == ExtractOutcome::kUnreadable || part.outcome == ExtractOutcome::kLeftOut;
  std::string text = "Skipped: " + (wholeMessage ? WhereText(part) : PartOriginText(part)) + ": ";
  switch (part.outcome) {
    case ExtractOutcome::kUnreadable:
      return text + "the message could not be read" +
             (part.reason.empty() ? "" : ": " + part.reason);
    case ExtractOutcome::kLeftOut:
      return text + "the message is nested too deeply or has too many parts to be read whole";
    case ExtractOutcome::kNotAPart:
      return text + "not a part file";
    case ExtractOutcome::kUnsafeName:
      return text + "not a safe file name";
    case ExtractOutcome::kExists:
      return text + "a file of that name is already there";
    case ExtractOutcome::kCutShort:
      return text + "the part is cut short in the message";
    case ExtractOutcome::kDuplicate:
      return text + "the same part is already there";
    case ExtractOutcome::kDiffers:
    case ExtractOutcome::kNoPlace:
      return text + part.reason;
    default:
      return text + "could not be written" + (part.reason.empty() ? "" : ": " + part.reason);
  }
}

}  // namespace fennimar
