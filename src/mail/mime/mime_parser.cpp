#include "mail/mime/mime_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "format/file_name.h"
#include "mail/mime/content_decoders.h"
#include "mail/mime/line_reader.h"
#include "mail/mime/mime_header.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/system_error.h"
#include "text/ascii.h"

namespace fennimar {
namespace {

// Bodies are read in blocks of this size for extraction.
constexpr std::size_t kExtractBlockSize = 256 * 1024;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsAttachedMessage(const ParsedPart& part) {
  return part.contentType && EqualsIgnoringAsciiCase(*part.contentType, "MESSAGE/RFC822");
}

TransferEncoding EncodingOf(std::string_view field) {
  std::string_view word = field.substr(0, field.find_first_of(" \t/;("));
  auto is = [word](std::string_view name) { return EqualsIgnoringAsciiCase(word, name); };
  if (is("8BIT")) return TransferEncoding::kEightBit;
  if (is("BINARY")) return TransferEncoding::kBinary;
  if (is("BASE64")) return TransferEncoding::kBase64;
  if (is("QUOTED-PRINTABLE")) return TransferEncoding::kQuotedPrintable;
  if (is("BINHEX40")) return TransferEncoding::kBinHex40;
  if (is("MULTIPART")) return TransferEncoding::kMultipart;
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

// Gathers the leaf parts below a message's header: enters multiparts and
// attached messages, skips preambles and epilogues, and ends each part at
// the delimiter that follows it.
class PartWalk {
 public:
  // What the lines that follow are.
  enum class Mode { kHeader, kBody, kSkip };

  PartWalk(std::vector<ParsedPart>& parts, std::int64_t end, bool& leftPartsOut)
      : parts_(parts), firstNew_(parts.size()), end_(end), leftPartsOut_(leftPartsOut) {}

  // Walks from the message's header, whose empty line `line` is, to the end.
  void Run(LineReader& reader, const MimeHeader& header, Line& line) {
    Mode mode = Enter(header, line.next);
    MimeHeader entity;
    while (mode == Mode::kHeader || HasDelimiter()) {
      bool found = mode == Mode::kHeader ? reader.Next(line) : reader.NextStartingWith("--", line);
      if (!found) break;
      bool closing = false;
      int k = MatchDelimiter(levels_, line.text, closing);
      if (k >= 0) {
        mode = AtDelimiter(line, static_cast<std::size_t>(k), closing);
        entity = MimeHeader();
      } else if (mode == Mode::kHeader && line.text.empty()) {
        mode = Enter(entity, line.next);
        entity = MimeHeader();
      } else if (mode == Mode::kHeader) {
        entity.AddLine(line.text);
      }
    }
  }

 private:
  // An entity whose header has ended: a multipart or attached message is
  // entered, anything else is a part whose body starts at `bodyStart`.
  Mode Enter(const MimeHeader& fields, std::int64_t bodyStart) {
    ParsedPart part = ReadFields(fields);
    if (levels_.size() >= static_cast<std::size_t>(kMaxNestingDepth)) {
      leftPartsOut_ =
          leftPartsOut_ || !DelimiterOf(fields, part).empty() || IsAttachedMessage(part);
    } else {
      std::string delimiter = DelimiterOf(fields, part);
      if (!delimiter.empty()) {
        levels_.push_back({delimiter});
        return Mode::kSkip;  // the preamble
      }
      bool plain = part.encoding == TransferEncoding::kSevenBit ||
                   part.encoding == TransferEncoding::kEightBit ||
                   part.encoding == TransferEncoding::kBinary;
      if (plain && IsAttachedMessage(part)) {
        levels_.push_back({});
        return Mode::kHeader;
      }
    }
    part.offset = bodyStart;
    part.length = end_ - bodyStart;
    if (parts_.size() - firstNew_ < kMaxParsedParts) {
      open_ = parts_.size();
      parts_.push_back(std::move(part));
    } else {
      leftPartsOut_ = true;
    }
    return Mode::kBody;
  }

  // The delimiter `line` of level `k`: ends the open part and the levels
  // inside, and the level itself when `closing`.
  Mode AtDelimiter(const Line& line, std::size_t k, bool closing) {
    // The line end before a delimiter belongs to the delimiter.
    if (open_) {
      ParsedPart& part = parts_[*open_];
      part.length = std::max<std::int64_t>(0, line.start - line.precedingEnd - part.offset);
      open_.reset();
    }
    levels_.resize(k + 1);
    if (!closing) return Mode::kHeader;
    levels_.pop_back();
    return Mode::kSkip;  // the epilogue
  }

  bool HasDelimiter() const {
    return std::any_of(levels_.begin(), levels_.end(),
                       [](const Level& level) { return !level.delimiter.empty(); });
  }

  std::vector<ParsedPart>& parts_;
  const std::size_t firstNew_;
  const std::int64_t end_;
  bool& leftPartsOut_;
  std::vector<Level> levels_;
  std::optional<std::size_t> open_;  // the part whose body is being read
};

}  // namespace

SourceResult MimeParser::OpenSource(const std::string& path) {
  if (source_) return {SourceOutcome::kAlreadyOpen, {}};
  auto file = File::OpenRead(path);
  if (!file) return {SourceOutcome::kCannotOpen, file.error()};
  auto size = file->Size();
  if (!size) return {SourceOutcome::kCannotOpen, size.error()};
  source_ = std::move(*file);
  begin_ = 0;
  end_ = *size;
  fromQuoted_ = false;
  return {};
}

SourceResult MimeParser::OpenSource(const std::string& path, std::int64_t offset,
                                    std::int64_t length, bool fromQuoted) {
  SourceResult result = OpenSource(path);
  if (!result.ok()) return result;
  begin_ = std::clamp<std::int64_t>(offset, 0, end_);
  end_ = std::clamp<std::int64_t>(offset + std::max<std::int64_t>(length, 0), begin_, end_);
  fromQuoted_ = fromQuoted;
  return {};
}

SourceResult MimeParser::CloseSource() {
  if (!source_) return {SourceOutcome::kNoSource, {}};
  parsedParts_.clear();
  auto closed = source_->Close();
  source_.reset();
  if (!closed) return {SourceOutcome::kCloseFailed, closed.error()};
  return {};
}

bool MimeParser::HasPart(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < parsedParts_.size();
}

int MimeParser::ReadAt(std::int64_t offset, char* buffer, std::size_t size) {
  if (!source_->Seek(offset)) return -1;
  auto got = source_->Read(buffer, size);
  return got ? static_cast<int>(*got) : -1;
}

FoundText MimeParser::FindText(std::string_view text, std::int64_t start, LetterCase letterCase,
                               std::int64_t limit) {
  if (!source_) return {FindOutcome::kNoSource};
  std::int64_t window = (limit > 0 && limit < kFindWindowSize) ? limit : kFindWindowSize;
  auto length = static_cast<std::int64_t>(text.size());
  if (length > window) return {FindOutcome::kTextTooLong};
  if (length == 0 || start < 0) return {FindOutcome::kNotFound};
  bool ignoreCase = letterCase == LetterCase::kIgnore;
  std::string wanted = ignoreCase ? AsciiLower(text) : std::string(text);
  // A match may begin anywhere before `last` (exclusive).
  std::int64_t last = limit > 0 ? start + limit : INT64_MAX;
  std::array<char, kFindWindowSize> buffer{};
  std::int64_t pos = start;
  for (;;) {
    int n = ReadAt(pos, buffer.data(), static_cast<std::size_t>(window));
    if (n < 0) return {FindOutcome::kReadFailed};
    if (ignoreCase) {
      std::transform(buffer.begin(), buffer.begin() + n, buffer.begin(),
                     [](char c) { return AsciiLower(c); });
    }
    std::string_view seen(buffer.data(), static_cast<std::size_t>(n));
    std::size_t found = seen.find(wanted);
    if (found != std::string_view::npos) {
      std::int64_t at = pos + static_cast<std::int64_t>(found);
      if (at < last) return {FindOutcome::kFound, at};
      return {FindOutcome::kNotFound};
    }
    if (n < window) return {FindOutcome::kNotFound};
    // The next window overlaps this one so that a match across the border
    // is seen whole.
    pos += window - (length - 1);
    if (pos >= last) return {FindOutcome::kNotFound};
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

ParseOutcome MimeParser::Parse() {
  if (!source_) return ParseOutcome::kNoSource;
  LineReader reader(*source_, begin_, end_);
  MimeHeader header;
  Line line;
  bool headerEnded = false;
  while (!headerEnded && reader.Next(line)) {
    headerEnded = line.text.empty();
    if (!headerEnded) header.AddLine(line.text);
  }
  if (!headerEnded || !IsMimeHeader(header)) return ParseOutcome::kNotMime;
  ParsedPart top = ReadFields(header);
  if (top.contentType && StartsWithNoCase(*top.contentType, "MULTIPART/") &&
      DelimiterOf(header, top).empty()) {
    return ParseOutcome::kNoBoundary;
  }
  PartWalk(parsedParts_, end_, leftPartsOut_).Run(reader, header, line);
  return ParseOutcome::kOk;
}

Result<void> MimeParser::DecodePart(int index, const Sink& sink) {
  if (!source_ || !HasPart(index)) return SystemError::OfKind("no such part", ErrorKind::kNotFound);
  const ParsedPart& part = parsedParts_[static_cast<std::size_t>(index)];
  if (part.encoding == TransferEncoding::kBinHex40) return {};
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
  if (auto sought = source_->Seek(part.offset); !sought) return sought;
  std::int64_t remaining = part.length;
  while (remaining > 0) {
    auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(remaining, static_cast<std::int64_t>(kExtractBlockSize)));
    auto got = source_->Read(in.get(), want);
    if (!got) return got.error();
    // The part's bytes were measured in this file: it has shrunk since.
    if (*got == 0) return SystemError::OfKind("cannot read all of the message", ErrorKind::kOther);
    remaining -= static_cast<std::int64_t>(*got);
    if (!pass(in.get(), *got, remaining == 0)) return {};
  }
  if (part.length == 0) pass(nullptr, 0, true);
  return {};
}

PartResult MimeParser::ExtractPart(int index, const std::string& outputPath) {
  if (outputPath.empty()) return ExtractPartToDirectory(index, ".");
  if (!source_) return {PartOutcome::kNoSource, {}};
  if (!HasPart(index)) return {PartOutcome::kNoSuchPart, {}};
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

PartResult MimeParser::ExtractPartToDirectory(int index, const std::string& directory) {
  if (!source_) return {PartOutcome::kNoSource, {}};
  if (!HasPart(index)) return {PartOutcome::kNoSuchPart, {}};
  std::string name = SafeFileName(parsedParts_[static_cast<std::size_t>(index)].name);
  if (name.empty()) return {PartOutcome::kUnusableName, {}};
  return ExtractTo(index, JoinPath(directory, name), false);
}

PartResult MimeParser::ExtractTo(int index, const std::string& path, bool mayReplace) {
  // A name taken from the message never replaces a file that is there, and
  // takes its place only when the part is whole.
  std::string written = path;
  Result<File> output = SystemError::OfKind("cannot create", ErrorKind::kExists);
  if (mayReplace) {
    output = File::Create(path);
  } else if (KindOf(path, Links::kTakeAsIs) == EntryKind::kNone) {
    std::string directory = DirectoryOf(path);
    if (directory.empty()) directory = path.rfind(kPathSeparator, 0) == 0 ? "/" : ".";
    auto unique = File::CreateUnique(directory, std::string(kExtractTemporaryPrefix));
    if (unique) {
      written = unique->path;
      output = std::move(unique->file);
    } else {
      output = unique.error();
    }
  }
  if (!output) {
    if (!mayReplace && output.error().kind() == ErrorKind::kExists) {
      return {PartOutcome::kNameTaken, {}};
    }
    return {PartOutcome::kCannotCreate, output.error()};
  }
  std::optional<SystemError> failure;
  bool stopped = false;
  auto read = DecodePart(index, [&](const std::uint8_t* data, std::size_t size) {
    if (auto done = output->Write(data, size); !done) {
      failure = done.error();
      return false;
    }
    stopped = stopRequested_ && stopRequested_();
    return !stopped;
  });
  if (!read) failure = read.error();
  if (!failure && !stopped) {
    if (auto closed = output->Close(); !closed) failure = closed.error();
  }
  bool ok = !failure && !stopped;
  if (ok && !mayReplace) {
    if (auto renamed = RenameNoReplace(written, path); !renamed) {
      (void)RemoveFile(written);
      if (renamed.error().kind() == ErrorKind::kExists) return {PartOutcome::kNameTaken, {}};
      return {PartOutcome::kFailed, renamed.error()};
    }
  }
  if (!ok) {
    (void)RemoveFile(written);
    return {PartOutcome::kFailed, std::move(failure)};
  }
  return {};
}

}  // namespace fennimar
