// The parsing side of MimeMessage: finds the parts of a stored message and
// writes any of them, decoded, into a file of its own.
#include <algorithm>
#include <array>
#include <cstring>

#include "mail/content_decoders.h"
#include "mail/mime_message.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace fennimar {
namespace {

constexpr std::size_t kBoundaryReadSize = 199;
constexpr std::size_t kFieldReadSize = 100;
constexpr std::size_t kExtractBlockSize = 512;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = Upper(c);
  return upper;
}

// Splits `text` at any character of `delimiters`; runs of delimiters count
// as one separator.
std::vector<std::string_view> Tokens(std::string_view text, std::string_view delimiters) {
  std::vector<std::string_view> tokens;
  std::size_t pos = 0;
  while (pos < text.size()) {
    pos = text.find_first_not_of(delimiters, pos);
    if (pos == std::string_view::npos) break;
    std::size_t end = text.find_first_of(delimiters, pos);
    if (end == std::string_view::npos) end = text.size();
    tokens.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return tokens;
}

// The first line of `text`: up to the first CR or LF.
std::string_view FirstLine(std::string_view text) {
  return text.substr(0, std::min(text.find_first_of("\r\n"), text.size()));
}

TransferEncoding EncodingOf(std::string_view word) {
  std::string upper = UpperText(word);
  if (upper == "8BIT") return TransferEncoding::kEightBit;
  if (upper == "BINARY") return TransferEncoding::kBinary;
  if (upper == "BASE64") return TransferEncoding::kBase64;
  if (upper == "QUOTED-PRINTABLE") return TransferEncoding::kQuotedPrintable;
  if (upper == "BINHEX40") return TransferEncoding::kBinHex40;
  if (upper == "MULTIPART") return TransferEncoding::kMultipart;
  return TransferEncoding::kSevenBit;
}

bool HasControlCharacter(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127;
  });
}

}  // namespace

int MimeMessage::OpenSource(const std::string& path) {
  if (source_) return -1;
  // The parser only reads; the message is never changed.
  auto file = File::OpenRead(path);
  if (!file) return -2;
  source_ = std::move(file);
  return 0;
}

int MimeMessage::CloseSource() {
  if (!source_) return -1;
  parsedParts_.clear();
  bool closed = source_->Close();
  source_.reset();
  return closed ? 0 : -2;
}

int MimeMessage::PartCount() const {
  if (!source_) return -1;
  return static_cast<int>(parsedParts_.size());
}

// Reads up to `size` bytes at `offset`; the count read, or -1.
int MimeMessage::ReadAt(std::int64_t offset, char* buffer, std::size_t size) {
  if (!source_->Seek(offset)) return -1;
  return static_cast<int>(source_->Read(buffer, size));
}

std::int64_t MimeMessage::FindText(std::string_view text, std::int64_t start, int caseFlag,
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

bool MimeMessage::IsMime() {
  if (!source_) return false;
  std::int64_t headerEnd = FindText("\r\n\r\n", 0, 0, 0);
  if (headerEnd < 0) return false;
  return headerEnd > 0 && FindText("MIME-Version: 1.0", 0, 0, headerEnd) >= 0;
}

// Reads the content type, its parameters and the transfer encoding from the
// header lines between `headerStart` and `headerEnd`.
void MimeMessage::ReadFields(MimePart& part, std::int64_t headerStart, std::int64_t headerEnd) {
  std::int64_t span = headerEnd - headerStart;
  std::array<char, kFieldReadSize + 1> buffer{};
  std::int64_t at = span > 0 ? FindText("Content-type:", headerStart, 0, span) : -5;
  if (at < 0) {
    part.contentType = "Text/Plain";
    part.charset = "US-ASCII";
  } else {
    int n = ReadAt(at, buffer.data(), kFieldReadSize);
    std::string_view line = FirstLine(std::string_view(buffer.data(), n > 0 ? n : 0));
    line.remove_prefix(std::min(line.size(), std::strlen("Content-type:")));
    auto tokens = Tokens(line, " \";=\t");
    if (!tokens.empty()) part.contentType = std::string(tokens[0]);
    for (std::size_t i = 1; i + 1 < tokens.size(); ++i) {
      std::string word = UpperText(tokens[i]);
      if (word == "NAME") {
        part.path = std::string(tokens[++i]);
      } else if (word == "CHARSET") {
        part.charset = std::string(tokens[++i]);
      } else if (word == "TYPE") {
        part.typeParameter = std::string(tokens[++i]);
      }
    }
  }
  at = span > 0 ? FindText("Content-transfer-encoding:", headerStart, 0, span) : -5;
  part.encoding = TransferEncoding::kSevenBit;
  if (at >= 0) {
    int n = ReadAt(at, buffer.data(), kFieldReadSize);
    std::string_view line = FirstLine(std::string_view(buffer.data(), n > 0 ? n : 0));
    line.remove_prefix(std::min(line.size(), std::strlen("Content-transfer-encoding:")));
    auto tokens = Tokens(line, " /\t");
    if (!tokens.empty()) part.encoding = EncodingOf(tokens[0]);
  }
}

int MimeMessage::Parse() {
  if (!source_) return -1;
  if (!IsMime()) return -2;
  std::int64_t headerEnd = FindText("\r\n\r\n", 0, 0, 0);
  if (headerEnd < 0) return -2;
  std::int64_t fileSize = source_->Size();
  if (fileSize < 0) return -2;

  std::int64_t multipart = FindText("Multipart/", 0, 0, headerEnd);
  if (multipart < 0) {
    // A single part: its fields are those of the message header, its body
    // everything after the first empty line.
    MimePart part;
    ReadFields(part, 0, headerEnd);
    part.offset = headerEnd + 4;
    part.length = fileSize - part.offset;
    parsedParts_.push_back(std::move(part));
    return 0;
  }

  std::int64_t word = FindText("boundary", multipart, 0, headerEnd - multipart);
  if (word < 0) return -3;
  std::array<char, kBoundaryReadSize + 1> buffer{};
  int n = ReadAt(word, buffer.data(), kBoundaryReadSize);
  std::string_view text(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
  text = text.substr(0, std::min(text.find_first_of("\r;"), text.size()));
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return -3;
  text.remove_prefix(equals + 1);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  while (!text.empty() && std::strchr("\r\n \t\"", text.back()) != nullptr) text.remove_suffix(1);
  if (text.empty()) return -3;

  std::string delimiter = "\r\n--" + std::string(text);
  auto delimiterLength = static_cast<std::int64_t>(delimiter.size());
  if (delimiterLength > kFindWindowSize) return -3;
  std::int64_t first = FindText(delimiter, headerEnd, 0, 0);
  if (first == -2) return -2;
  std::size_t firstNew = parsedParts_.size();
  if (first >= 0) {
    std::int64_t start = first + delimiterLength;
    for (;;) {
      std::int64_t next = FindText(delimiter, start, 0, 0);
      if (next < 0) break;
      MimePart part;
      part.offset = start;
      part.length = next - start;
      parsedParts_.push_back(std::move(part));
      start = next + delimiterLength;
    }
  }
  for (std::size_t i = firstNew; i < parsedParts_.size(); ++i) {
    MimePart& part = parsedParts_[i];
    std::int64_t bodyStart =
        part.length > 0 ? FindText("\r\n\r\n", part.offset, 0, part.length) : -5;
    if (bodyStart >= 0) {
      ReadFields(part, part.offset, bodyStart);
      part.length -= bodyStart + 4 - part.offset;
      part.offset = bodyStart + 4;
      if (part.length < 0) part.length = 0;
    } else {
      ReadFields(part, part.offset, part.offset + part.length);
      part.offset += delimiterLength;
      part.length = std::max<std::int64_t>(0, part.length - delimiterLength);
    }
  }
  return 0;
}

int MimeMessage::ExtractPart(int index, const std::string& outputPath) {
  if (outputPath.empty()) return ExtractPartToDirectory(index, ".");
  if (!source_) return -1;
  if (index < 0 || static_cast<std::size_t>(index) >= parsedParts_.size()) return -10;
  std::string path = outputPath.substr(0, kMaxExtractPathLength);
  return ExtractTo(parsedParts_[static_cast<std::size_t>(index)], path, true);
}

int MimeMessage::ExtractPartToDirectory(int index, const std::string& directory) {
  if (!source_) return -1;
  if (index < 0 || static_cast<std::size_t>(index) >= parsedParts_.size()) return -10;
  const MimePart& part = parsedParts_[static_cast<std::size_t>(index)];
  // Only the last path component of the name counts, so that a message
  // cannot direct the output into another directory.
  std::string name = part.path.substr(0, kMaxExtractPathLength);
  std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || HasControlCharacter(name)) return -2;
  return ExtractTo(part, JoinPath(directory, name), false);
}

int MimeMessage::ExtractTo(const MimePart& part, const std::string& path, bool mayReplace) {
  // A name taken from the message never replaces a file that is there.
  auto output = mayReplace ? File::Create(path) : File::CreateNew(path);
  if (!output) return -2;
  bool ok = true;
  if (part.encoding != TransferEncoding::kBinHex40) {
    std::array<char, kExtractBlockSize> in{};
    std::array<std::uint8_t, kExtractBlockSize + 8> out{};
    Base64Decoder base64;
    QuotedPrintableDecoder quoted;
    std::int64_t pos = part.offset;
    std::int64_t end = part.offset + part.length;
    while (ok && pos < end) {
      auto want = static_cast<std::size_t>(std::min<std::int64_t>(end - pos, in.size()));
      int n = ReadAt(pos, in.data(), want);
      if (n <= 0) {
        ok = false;
        break;
      }
      pos += n;
      auto size = static_cast<std::size_t>(n);
      std::size_t produced;
      const std::uint8_t* data = out.data();
      if (part.encoding == TransferEncoding::kBase64) {
        produced = base64.Decode(in.data(), size, out.data());
      } else if (part.encoding == TransferEncoding::kQuotedPrintable) {
        produced = quoted.Decode(in.data(), size, out.data());
      } else {
        produced = size;
        data = reinterpret_cast<const std::uint8_t*>(in.data());
      }
      ok = output->Write(data, produced) == static_cast<std::int64_t>(produced);
    }
    std::size_t tail = 0;
    if (part.encoding == TransferEncoding::kBase64) tail = base64.Finish(out.data());
    if (part.encoding == TransferEncoding::kQuotedPrintable) tail = quoted.Finish(out.data());
    if (ok && tail > 0) ok = output->Write(out.data(), tail) == static_cast<std::int64_t>(tail);
  }
  if (!output->Close()) ok = false;
  if (!ok) {
    RemoveFile(path);
    return -3;
  }
  return 0;
}

}  // namespace fennimar
