#include "mail/store/part_extractor.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "format/part_format.h"
#include "format/part_name.h"
#include "mail/mime/mime_parser.h"
#include "mail/store/mail_store.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"

namespace fennimar {
namespace {

// The part test of a dropped file, made on the attachment's decoded first
// two bytes: a count and the index the name carries, the index below the
// count. For a part, the least size of the whole part file: its header and
// the data the header announces (a part cut short has not got them all).
std::optional<std::int64_t> WholePartSize(MimeParser& parser, int index, const std::string& name) {
  auto nameIndex = PartIndexFromName(name);
  if (!nameIndex) return std::nullopt;
  HeaderBytes head{};
  std::size_t got = 0;
  // A part that cannot be read whole shows in the count of bytes it gave.
  (void)parser.DecodePart(index, [&](const std::uint8_t* data, std::size_t size) {
    std::size_t n = std::min(size, head.size() - got);
    std::copy(data, data + n, head.begin() + static_cast<std::ptrdiff_t>(got));
    got += n;
    return got < head.size();
  });
  if (got < 2) return std::nullopt;
  std::uint8_t stored = head[kPartIndexOffset];
  if (stored != *nameIndex || !IsValidPlace(head[kPartCountOffset], stored)) return std::nullopt;
  std::int32_t dataLength = got < head.size() ? 0 : DecodeHeader(head).dataLength;
  return static_cast<std::int64_t>(kHeaderSize) + std::max(dataLength, 0);
}

}  // namespace

PartExtractor::PartExtractor(std::string directory, std::function<bool()> stopRequested)
    : directory_(std::move(directory)),
      stopRequested_(std::move(stopRequested)),
      lock_(std::make_unique<DirectoryLock>(directory_)) {
  // With the lock held, a temporary name here is what a killed run left.
  if (lock_->state() != DirectoryLock::State::kHeld) return;
  auto names = DirectoryEntries(directory_);
  if (!names) return;
  for (const std::string& name : *names) {
    std::string path = JoinPath(directory_, name);
    if (name.starts_with(kExtractTemporaryPrefix) &&
        KindOf(path, Links::kTakeAsIs) != EntryKind::kDirectory) {
      (void)RemoveFile(path);
    }
  }
}

bool PartExtractor::StopRequested() {
  stopped_ = stopped_ || (stopRequested_ && stopRequested_());
  return stopped_;
}

bool PartExtractor::AddSource(const MailSource& source) {
  const std::string& path = source.path;
  int number = 0;
  return ForEachMessage(path, source.store, [&](const StoredMessage& message) {
    if (StopRequested()) return false;
    ++number;
    // Which message a result of the whole message is about.
    std::string which = message.path != path ? FileNameOf(message.path)
                        : message.fromQuoted ? "message " + std::to_string(number)
                                             : std::string();
    MimeParser parser;
    parser.SetStopCheck([this] { return StopRequested(); });
    SourceResult opened =
        parser.OpenSource(message.path, message.offset, message.length, message.fromQuoted);
    if (!opened.ok()) {
      results_.push_back({which, path, ExtractOutcome::kUnreadable, opened.Reason()});
      return true;
    }
    if (parser.Parse() != ParseOutcome::kOk)
      return true;  // not a MIME message: nothing in it to extract
    if (parser.LeftPartsOut()) results_.push_back({which, path, ExtractOutcome::kLeftOut, {}});
    for (int k = 0; k < parser.PartCount() && !StopRequested(); ++k) {
      const std::string& name = parser.ParsedParts()[static_cast<std::size_t>(k)].name;
      if (name.empty()) continue;  // a message text, no attachment
      ExtractedPart result{name, path, ExtractOutcome::kFailed, {}};
      std::string safe = MimeParser::SafeFileName(name);
      std::string target = JoinPath(directory_, safe);
      std::optional<std::int64_t> wholeSize;
      if (safe.empty()) {
        result.outcome = ExtractOutcome::kUnsafeName;
      } else if (!(wholeSize = WholePartSize(parser, k, safe))) {
        result.outcome = ExtractOutcome::kNotAPart;
      } else if ((KindOf(target, Links::kTakeAsIs) != EntryKind::kNone)) {
        result.outcome = ExtractOutcome::kExists;
      } else if (PartResult extracted = parser.ExtractPartToDirectory(k, directory_);
                 !extracted.ok()) {
        if (stopped_) return false;  // nothing kept, nothing to tell
        result.outcome = (KindOf(target, Links::kTakeAsIs) != EntryKind::kNone)
                             ? ExtractOutcome::kExists
                             : ExtractOutcome::kFailed;
        result.reason = extracted.Reason();
      } else {
        // The file is ours (the name was free and the rename never replaces),
        // so a part cut short is taken away again.
        auto status = StatusOf(target);
        result.outcome = ExtractOutcome::kWritten;
        if (!status || status->size < *wholeSize) {
          (void)RemoveFile(target);
          result.outcome = ExtractOutcome::kCutShort;
        }
      }
      results_.push_back(std::move(result));
    }
    return !stopped_;
  });
}

int PartExtractor::written() const {
  return static_cast<int>(std::count_if(results_.begin(), results_.end(), [](const auto& r) {
    return r.outcome == ExtractOutcome::kWritten;
  }));
}

std::string ExtractResultText(const ExtractedPart& part) {
  std::string safe = MimeParser::SafeFileName(part.name);
  if (part.outcome == ExtractOutcome::kWritten) return "Extracted: " + safe;
  bool wholeMessage =
      part.outcome == ExtractOutcome::kUnreadable || part.outcome == ExtractOutcome::kLeftOut;
  std::string text = wholeMessage && part.name.empty()
                         ? "Skipped: " + FileNameOf(part.source) + ": "
                         : "Skipped: " + (safe.empty() ? "(unsafe name)" : safe) + " (in " +
                               FileNameOf(part.source) + "): ";
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
    default:
      return text + "could not be written" + (part.reason.empty() ? "" : ": " + part.reason);
  }
}

}  // namespace fennimar
