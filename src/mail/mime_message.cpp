// The composing side of MimeMessage.
#include "mail/mime_message.h"

#include <time.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "mail/content_encoders.h"
#include "platform/path.h"

namespace fennimar {
namespace {

std::string_view HeaderWord(TransferEncoding encoding) {
  switch (encoding) {
    case TransferEncoding::kSevenBit:
      return "7BIT";
    case TransferEncoding::kEightBit:
      return "8BIT";
    case TransferEncoding::kBase64:
      return "BASE64";
    case TransferEncoding::kQuotedPrintable:
      return "Quoted-Printable";
    case TransferEncoding::kBinary:
      return "BINARY";
    default:
      return {};
  }
}

// The "name" parameter: the file's name without its directory. A quote, a
// backslash or a control character in a file name would end the parameter or
// the header line early, so each becomes "_".
std::string NameParameter(const std::string& path) {
  std::string name = FileNameOf(path);
  for (char& c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || c == '"' || c == '\\') c = '_';
  }
  return name;
}

// The content type line and the encoding line of a part's header.
std::string PartHeader(const MimePart& part) {
  const std::string* type = part.contentType ? &*part.contentType : nullptr;
  std::string line = "Content-Type: ";
  switch (part.encoding) {
    case TransferEncoding::kSevenBit:
    case TransferEncoding::kEightBit:
      line += type ? *type : "text/plain";
      line += "; charset=US-ASCII\r\n";
      break;
    case TransferEncoding::kQuotedPrintable:
      line += type ? *type : "Text/Plain";
      line += "; charset=US-ASCII\r\n";
      break;
    case TransferEncoding::kBase64:
      line += type ? *type : "Application/Octet-stream";
      line += "; name=\"" + NameParameter(part.path) + "\"; type=Unknown\r\n";
      break;
    case TransferEncoding::kBinary:
      line += type ? *type : "Application/Octet-stream";
      line += "; name=\"" + NameParameter(part.path) +
              "\"; type=" + part.typeParameter.value_or("Unknown") + "\r\n";
      break;
    default:
      return {};
  }
  line += "Content-Transfer-Encoding: ";
  line += HeaderWord(part.encoding);
  line += "\r\n";
  return line;
}

bool WriteText(File& output, std::string_view text) {
  return output.Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
}

}  // namespace

int MimeMessage::Clear() {
  parts_.clear();
  headerLines_.clear();
  return 0;
}

int MimeMessage::AddFilePart(const std::string& path, std::optional<std::string> contentType,
                             TransferEncoding encoding) {
  if (!File::OpenRead(path)) return -1;
  MimePart part;
  part.path = path;
  part.contentType = std::move(contentType);
  part.encoding = encoding;
  parts_.push_back(std::move(part));
  return 0;
}

int MimeMessage::AddPartHeaderLine(std::string_view text) {
  if (parts_.empty()) return -1;
  parts_.back().partHeaderLines.emplace_back(text);
  return 0;
}

int MimeMessage::AddHeaderLine(std::string_view text) {
  headerLines_.emplace_back(text);
  return 0;
}

int MimeMessage::MakeBoundary(char* buffer, int length) {
  if (length < kMinBoundaryLength) return -1;
  if (length > kMaxBoundaryLength) return -2;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  char text[kMaxBoundaryLength + 64];
  int used = std::snprintf(text, sizeof text, "Mark=_%d%d%d%d%d%d%ld", utc.tm_year + 1900,
                           utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                           static_cast<long>(now.tv_nsec / 1000000));
  // The random tail is seeded with the milliseconds since the system started.
  timespec sinceBoot{};
  clock_gettime(CLOCK_MONOTONIC, &sinceBoot);
  std::minstd_rand random(
      static_cast<std::uint32_t>(sinceBoot.tv_sec * 1000 + sinceBoot.tv_nsec / 1000000));
  for (; used < length; ++used) text[used] = kBase64Alphabet[random() % 63];
  std::memcpy(buffer, text, static_cast<std::size_t>(length));
  buffer[length] = '\0';
  return 0;
}

int MimeMessage::Compose(const std::string& outputPath) {
  char boundary[kComposeBoundaryLength + 1];
  MakeBoundary(boundary, kComposeBoundaryLength);
  boundary_ = boundary;
  if (parts_.empty()) return -1;
  auto output = File::Create(outputPath);
  if (!output) return -2;
  AddHeaderLine("MIME-Version: 1.0\r\n");
  AddHeaderLine("Content-Type: Multipart/Mixed; boundary=\"" + boundary_ + "\"\r\n");

  bool written = true;
  for (const MimePart& part : parts_) {
    written = WriteText(*output, "\r\n--" + boundary_ + "\r\n") && written;
    written = WritePart(*output, part) == 0 && written;
  }
  written = WriteText(*output, "\r\n--" + boundary_ + "--\r\n") && written;
  if (!output->Close() || !written) return -3;
  return 0;
}

// Writes one part's header and body. Returns -1 only when writing the output
// failed; a source that cannot be opened, a kind without a writer and a
// tested writer's refusal leave the part short without failing.
int MimeMessage::WritePart(File& output, const MimePart& part) {
  std::string header = PartHeader(part);
  if (header.empty()) return 0;  // no writer for this kind
  auto source = File::OpenRead(part.path);
  if (!source) return 0;
  for (const std::string& line : part.partHeaderLines) header += line + "\r\n";
  header += "\r\n";
  if (!WriteText(output, header)) return -1;
  std::int64_t before = output.Size();
  std::int64_t expected = source->Size();
  switch (part.encoding) {
    case TransferEncoding::kSevenBit:
      EncodeSevenBit(*source, output);
      return 0;
    case TransferEncoding::kEightBit:
      EncodeEightBit(*source, output);
      return 0;
    case TransferEncoding::kBase64:
      EncodeBase64(*source, output);
      expected = static_cast<std::int64_t>(Base64EncodedSize(static_cast<std::size_t>(expected)));
      break;
    case TransferEncoding::kQuotedPrintable:
      EncodeQuotedPrintable(*source, output);
      return 0;
    case TransferEncoding::kBinary:
      EncodeBinary(*source, output);
      break;
    default:
      return 0;
  }
  // The untested writers must have written the whole source: a short body
  // means the output device failed (or the source shrank under us).
  return output.Size() - before == expected ? 0 : -1;
}

int MimeMessage::GetHeaderLine(int index, char* buffer, int size) const {
  if (headerLines_.empty()) return -1;
  if (index < 0 || index >= HeaderLineCount()) return -2;
  const std::string& line = headerLines_[static_cast<std::size_t>(index)];
  if (size < 0 || line.size() + 1 > static_cast<std::size_t>(size)) return -3;
  std::memcpy(buffer, line.c_str(), line.size() + 1);
  return 0;
}

}  // namespace fennimar
