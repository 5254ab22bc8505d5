#include "mail/mime/mime_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "format/file_name.h"
#include "mail/mime/content_decoders.h"
#include "mail/mime/line_reader.h"
#include "mail/mime/mime_header.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/system_error.h"

namespace fennimar {
namespace {

// Bodies are read in blocks of this size for extraction.
constexpr std::size_t kExtractBlockSize = 256 * 1024;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = Upper(c);
  return upper;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && UpperText(text.substr(0, prefix.size())) == prefix;
}

TransferEncoding EncodingOf(std::string_view field) {
  std::string word = UpperText(field.substr(0, field.find_first_of(" \t/;(")));
  if (word == "8BIT") return TransferEncoding::kEightBit;
  if (word == "BINARY") return TransferEncoding::kBinary;
  if (word == "BASE64") return TransferEncoding::kBase64;
  if (word == "QUOTED-PRINTABLE") return TransferEncoding::kQuotedPrintable;
  if (word == "BINHEX40") return TransferEncoding::kBinHex40;
  if (word == "MULTIPART") return TransferEncoding::kMultipart;
  return TransferEncoding::kSevenBit;
}

bool IsMimeHeader(const MimeHeader& header) {
  return header.Field("MIME-Version").rfind("1.0", 0) == 0;
}

// The part's type, parameters, file name and transfer encoding.
ParsedPart ReadFields(const MimeHeader& header) {
  ParsedPart part;
  std::string type = header.Field("Content-Type");
  if (type.empty()) {
    part.contentType = "Text/Plain";
    part.charset = "US-ASCII";
  } else {
    FieldValue value = ParseFieldValue(type);
    part.contentType = value.value;
    if (value.parameters.count("charset")) part.charset = value.Parameter("charset");
    if (value.parameters.count("type")) part.typeParameter = value.Parameter("type");
    part.name = value.Parameter("name");
  }
  // Most programs name an attachment in its disposition; that name wins.
  std::string filename = ParseFieldValue(header.Field("Content-Disposition")).Parameter("filename");
  if (!filename.empty()) part.name = filename;
  part.encoding = EncodingOf(header.Field("Content-Transfer-Encoding"));
  return part;
}

// One level of nesting: a multipart, with the delimiter line that separates
// its parts, or an attached message, which has none.
struct Level {
  std::string delimiter;
};

// The innermost level whose delimiter `text` is, or -1. Blanks after the
// delimiter are padding; "--" after it closes the multipart.
int MatchDelimiter(const std::vector<Level>& levels, std::string_view text, bool& closing) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.size() < 2 || text[0] != '-' || text[1] != '-') return -1;
  for (int k = static_cast<int>(levels.size()) - 1; k >= 0; --k) {
    const std::string& delimiter = levels[static_cast<std::size_t>(k)].delimiter;
    if (delimiter.empty() || text.substr(0, delimiter.size()) != delimiter) continue;
    std::string_view rest = text.substr(delimiter.size());
    if (rest.empty() || rest == "--") {
      closing = !rest.empty();
      return k;
    }
  }
  return -1;
}

bool HasDelimiter(const std::vector<Level>& levels) {
  return std::any_of(levels.begin(), levels.end(),
                     [](const Level& level) { return !level.delimiter.empty(); });
}

// The delimiter of a multipart entity, or empty when it is none or its
// boundary is missing or absurd.
std::string DelimiterOf(const MimeHeader& header, const ParsedPart& fields) {
  if (!fields.contentType || !StartsWithNoCase(*fields.contentType, "MULTIPART/")) return {};
  std::string boundary = ParseFieldValue(header.Field("Content-Type")).Parameter("boundary");
  if (boundary.empty() || boundary.size() > kMaxParsedBoundary ||
      boundary.find_first_of("\r\n") != std::string::npos) {
    return {};
  }
  return "--" + boundary;
}

}  // namespace

int MimeParser::OpenSource(const std::string& path) {
  if (source_) return -1;
  auto file = File::OpenRead(path);
  if (!file) return -2;
  std::int64_t size = file->Size();
  if (size < 0) return -2;
  source_ = std::move(file);
  begin_ = 0;
  end_ = size;
  fromQuoted_ = false;
  return 0;
}

int MimeParser::OpenSource(const std::string& path, std::int64_t offset, std::int64_t length,
                           bool fromQuoted) {
  int result = OpenSource(path);
  if (result != 0) return result;
  begin_ = std::clamp<std::int64_t>(offset, 0, end_);
  end_ = std::clamp<std::int64_t>(offset + std::max<std::int64_t>(length, 0), begin_, end_);
  fromQuoted_ = fromQuoted;
  return 0;
}

int MimeParser::CloseSource() {
  if (!source_) return -1;
  parsedParts_.clear();
  bool closed = source_->Close();
  source_.reset();
  return closed ? 0 : -2;
}

int MimeParser::PartCount() const {
  if (!source_) return -1;
  return static_cast<int>(parsedParts_.size());
}

int MimeParser::ReadAt(std::int64_t offset, char* buffer, std::size_t size) {
  if (!source_->Seek(offset)) return -1;
  return static_cast<int>(source_->Read(buffer, size));
}

std::int64_t MimeParser::FindText(std::string_view text, std::int64_t start, int caseFlag,
                                  std::int64_t limit) {
  if (!source_) return -1;
  std::int64_t window = (limit > 0 && limit < kFindWindowSize) ? limit : kFindWindowSize;
  auto length = static_cast<std::int64_t>(text.size());
  if (length > window) return -4;
  if (length == 0 || start < 0) return -5;
  std::string wanted = caseFlag == 0 ? UpperText(text) : std::string(text);
  // A match may begin anywhere before `last` (exclusive).
  std::int64_t last = limit > 0 ? start + limit : INT64_MAX;
  std::array<char, kFindWindowSize> buffer{};
  std::int64_t pos = start;
  for (;;) {
    int n = ReadAt(pos, buffer.data(), static_cast<std::size_t>(window));
    if (n < 0) return -2;
    if (caseFlag == 0) std::transform(buffer.begin(), buffer.begin() + n, buffer.begin(), Upper);
    std::string_view seen(buffer.data(), static_cast<std::size_t>(n));
    std::size_t found = seen.find(wanted);
    if (found != std::string_view::npos) {
      std::int64_t at = pos + static_cast<std::int64_t>(found);
      return at < last ? at : -5;
    }
    if (n < window) return -5;
    // The next window overlaps this one so that a match across the border
    // is seen whole.
    pos += window - (length - 1);
    if (pos >= last) return -5;
  }
}

bool MimeParser::IsMime() {
  if (!source_) return false;
  LineReader reader(*source_, begin_, end_);
  MimeHeader header;
  Line line;
  while (reader.Next(line)) {
    if (line.text.empty()) return IsMimeHeader(header);
    header.AddLine(line.text);
  }
  return false;
}

int MimeParser::Parse() {
  if (!source_) return -1;
  LineReader reader(*source_, begin_, end_);
  MimeHeader header;
  Line line;
  bool headerEnded = false;
  while (reader.Next(line)) {
    if (line.text.empty()) {
      headerEnded = true;
      break;
    }
    header.AddLine(line.text);
  }
  if (!headerEnded || !IsMimeHeader(header)) return -2;
  ParsedPart top = ReadFields(header);
  if (top.contentType && StartsWithNoCase(*top.contentType, "MULTIPART/") &&
      DelimiterOf(header, top).empty()) {
    return -3;
  }

  std::vector<Level> levels;
  const std::size_t firstNew = parsedParts_.size();
  std::optional<std::size_t> open;  // the part whose body is being read
  enum class Mode { kHeader, kBody, kSkip };
  // An entity whose header has ended: a multipart or attached message is
  // entered, anything else is a part whose body starts at `bodyStart`.
  auto enter = [&](const MimeHeader& fields, std::int64_t bodyStart) {
    ParsedPart part = ReadFields(fields);
    if (levels.size() >= static_cast<std::size_t>(kMaxNestingDepth)) {
      leftPartsOut_ = leftPartsOut_ || !DelimiterOf(fields, part).empty() ||
                      (part.contentType && UpperText(*part.contentType) == "MESSAGE/RFC822");
    } else {
      std::string delimiter = DelimiterOf(fields, part);
      if (!delimiter.empty()) {
        levels.push_back({delimiter});
        return Mode::kSkip;  // the preamble
      }
      bool plain = part.encoding == TransferEncoding::kSevenBit ||
                   part.encoding == TransferEncoding::kEightBit ||
                   part.encoding == TransferEncoding::kBinary;
      if (plain && part.contentType && UpperText(*part.contentType) == "MESSAGE/RFC822") {
        levels.push_back({});
        return Mode::kHeader;
      }
    }
    part.offset = bodyStart;
    part.length = end_ - bodyStart;
    if (parsedParts_.size() - firstNew < kMaxParsedParts) {
      open = parsedParts_.size();
      parsedParts_.push_back(std::move(part));
    } else {
      leftPartsOut_ = true;
    }
    return Mode::kBody;
  };

  Mode mode = enter(header, line.next);
  MimeHeader entity;
  while (mode == Mode::kHeader || HasDelimiter(levels)) {
    bool found = mode == Mode::kHeader ? reader.Next(line) : reader.NextStartingWith("--", line);
    if (!found) break;
    bool closing = false;
    int k = MatchDelimiter(levels, line.text, closing);
    if (k < 0) {
      if (mode != Mode::kHeader) continue;
      if (line.text.empty()) {
        mode = enter(entity, line.next);
        entity = MimeHeader();
      } else {
        entity.AddLine(line.text);
      }
      continue;
    }
    // The line end before a delimiter belongs to the delimiter.
    if (open) {
      ParsedPart& part = parsedParts_[*open];
      part.length = std::max<std::int64_t>(0, line.start - line.precedingEnd - part.offset);
      open.reset();
    }
    levels.resize(static_cast<std::size_t>(k) + 1);
    if (closing) {
      levels.pop_back();
      mode = Mode::kSkip;  // the epilogue
    } else {
      mode = Mode::kHeader;
      entity = MimeHeader();
    }
  }
  return 0;
}

bool MimeParser::DecodePart(int index, const Sink& sink) {
  if (!source_ || index < 0 || static_cast<std::size_t>(index) >= parsedParts_.size()) {
    return false;
  }
  const ParsedPart& part = parsedParts_[static_cast<std::size_t>(index)];
  if (part.encoding == TransferEncoding::kBinHex40) return true;
  std::unique_ptr<char[]> in(new char[kExtractBlockSize]);  // not cleared: it is read into
  std::vector<std::uint8_t> out;
  std::string unquoted;
  Base64Decoder base64;
  QuotedPrintableDecoder quoted;
  FromUnquoter unquoter;
  bool unquote = fromQuoted_ && part.encoding != TransferEncoding::kBase64;
  // Decodes one piece and hands it on; false when the sink wants no more.
  auto pass = [&](const char* data, std::size_t size, bool last) {
    if (unquote) {
      unquoted.clear();
      unquoter.Filter(data, size, unquoted);
      if (last) unquoter.Finish(unquoted);
      data = unquoted.data();
      size = unquoted.size();
    }
    out.resize(std::max(Base64Decoder::MaxOutput(size), QuotedPrintableDecoder::MaxOutput(size)));
    std::size_t produced;
    const std::uint8_t* result = out.data();
    if (part.encoding == TransferEncoding::kBase64) {
      produced = base64.Decode(data, size, out.data());
      if (last) produced += base64.Finish(out.data() + produced);
    } else if (part.encoding == TransferEncoding::kQuotedPrintable) {
      produced = quoted.Decode(data, size, out.data());
      if (last) produced += quoted.Finish(out.data() + produced);
    } else {
      produced = size;
      result = reinterpret_cast<const std::uint8_t*>(data);
    }
    return produced == 0 || sink(result, produced);
  };
  if (!source_->Seek(part.offset)) return false;
  std::int64_t remaining = part.length;
  while (remaining > 0) {
    auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(remaining, static_cast<std::int64_t>(kExtractBlockSize)));
    std::int64_t n = source_->Read(in.get(), want);
    if (n <= 0) return false;
    remaining -= n;
    if (!pass(in.get(), static_cast<std::size_t>(n), remaining == 0)) return true;
  }
  if (part.length == 0) pass(nullptr, 0, true);
  return true;
}

int MimeParser::ExtractPart(int index, const std::string& outputPath) {
  if (outputPath.empty()) return ExtractPartToDirectory(index, ".");
  if (!source_) return -1;
  if (index < 0 || static_cast<std::size_t>(index) >= parsedParts_.size()) return -10;
  std::string path = outputPath.substr(0, kMaxExtractPathLength);
  return ExtractTo(index, path, true);
}

std::string MimeParser::SafeFileName(std::string_view name) {
  // The same check as a name stored in a part: a message cannot direct the
  // output into another directory.
  auto safe = fennimar::SafeFileName(name);
  if (!safe || safe->size() > kMaxExtractPathLength) return {};
  return *safe;
}

int MimeParser::ExtractPartToDirectory(int index, const std::string& directory) {
  if (!source_) return -1;
  if (index < 0 || static_cast<std::size_t>(index) >= parsedParts_.size()) return -10;
  const ParsedPart& part = parsedParts_[static_cast<std::size_t>(index)];
  std::string name = SafeFileName(part.name);
  if (name.empty()) return -2;
  return ExtractTo(index, JoinPath(directory, name), false);
}

int MimeParser::ExtractTo(int index, const std::string& path, bool mayReplace) {
  // A name taken from the message never replaces a file that is there, and
  // takes its place only when the part is whole.
  std::string written = path;
  failureReason_.clear();
  std::optional<File> output;
  if (mayReplace) {
    output = File::Create(path);
  } else if (!PathExists(path)) {
    std::string directory = DirectoryOf(path);
    if (directory.empty()) directory = path.rfind(kPathSeparator, 0) == 0 ? "/" : ".";
    output = File::CreateUnique(directory, std::string(kExtractTemporaryPrefix), written);
  }
  if (!output) {
    std::string reason = LastErrorText();
    if (mayReplace || !PathExists(path)) failureReason_ = reason;  // not only a name taken
    return -2;
  }
  bool writeFailed = false;
  bool stopped = false;
  bool read = DecodePart(index, [&](const std::uint8_t* data, std::size_t size) {
    writeFailed = output->Write(data, size) != static_cast<std::int64_t>(size);
    if (writeFailed) failureReason_ = LastErrorText();
    stopped = !writeFailed && stopRequested_ && stopRequested_();
    return !writeFailed && !stopped;
  });
  if (!read) failureReason_ = LastErrorText();
  bool ok = read && !writeFailed && !stopped && output->Close();
  if (read && !writeFailed && !stopped && !ok) failureReason_ = LastErrorText();
  if (ok && !mayReplace) {
    RenameResult renamed = RenameNoReplace(written, path);
    if (renamed != RenameResult::kRenamed) {
      if (renamed == RenameResult::kFailed) failureReason_ = LastErrorText();
      RemoveFile(written);
      return renamed == RenameResult::kTargetExists ? -2 : -3;
    }
  }
  if (!ok) {
    RemoveFile(written);
    return -3;
  }
  return 0;
}

}  // namespace fennimar
