#include "mail/part_extractor.h"

#include <algorithm>
#include <cstdint>

#include "format/part_name.h"
#include "mail/mail_store.h"
#include "mail/mime_parser.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace fennimar {
namespace {

// The part test of a dropped file, made on the attachment's decoded first
// two bytes: a count and the index the name carries, the index below the
// count.
bool IsPartAttachment(MimeParser& parser, int index, const std::string& name) {
  auto nameIndex = PartIndexFromName(name);
  if (!nameIndex) return false;
  std::uint8_t head[2];
  std::size_t got = 0;
  parser.DecodePart(index, [&](const std::uint8_t* data, std::size_t size) {
    while (got < 2 && size > 0) {
      head[got++] = *data++;
      --size;
    }
    return got < 2;
  });
  if (got < 2) return false;
  auto count = static_cast<std::int8_t>(head[0]);
  auto stored = static_cast<std::int8_t>(head[1]);
  return stored == *nameIndex && stored < count;
}

}  // namespace

bool PartExtractor::AddSource(const std::string& path) {
  return ForEachMessage(path, [&](const StoredMessage& message) {
    MimeParser parser;
    if (parser.OpenSource(message.path, message.offset, message.length, message.fromQuoted) != 0 ||
        parser.Parse() != 0) {
      return true;  // not a MIME message: nothing in it to extract
    }
    for (int k = 0; k < parser.PartCount(); ++k) {
      const std::string& name = parser.ParsedParts()[static_cast<std::size_t>(k)].path;
      if (name.empty()) continue;  // a message text, no attachment
      ExtractedPart result{name, path, ExtractOutcome::kFailed};
      std::string safe = MimeParser::SafeFileName(name);
      if (safe.empty()) {
        result.outcome = ExtractOutcome::kUnsafeName;
      } else if (!IsPartAttachment(parser, k, safe)) {
        result.outcome = ExtractOutcome::kNotAPart;
      } else if (PathExists(JoinPath(directory_, safe))) {
        result.outcome = ExtractOutcome::kExists;
      } else {
        int written = parser.ExtractPartToDirectory(k, directory_);
        result.outcome = written == 0                             ? ExtractOutcome::kWritten
                         : PathExists(JoinPath(directory_, safe)) ? ExtractOutcome::kExists
                                                                  : ExtractOutcome::kFailed;
      }
      results_.push_back(std::move(result));
    }
    return true;
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
  std::string text = "Skipped: " + (safe.empty() ? "(unsafe name)" : safe) + " (in " +
                     FileNameOf(part.source) + "): ";
  switch (part.outcome) {
    case ExtractOutcome::kNotAPart:
      return text + "not a part file";
    case ExtractOutcome::kUnsafeName:
      return text + "not a safe file name";
    case ExtractOutcome::kExists:
      return text + "a file of that name is already there";
    default:
      return text + "could not be written";
  }
}

}  // namespace fennimar
