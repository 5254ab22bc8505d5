#include "mail/mime/mime_composer.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "mail/mime/content_encoders.h"
#include "mail/mime/header_text.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/path.h"
#include "text/ascii.h"

namespace fennimar {
namespace {

constexpr char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view WithoutLineEnd(std::string_view text) {
  auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
  if (text.size() >= 2 && isEnd(text[text.size() - 2])) {
    text.remove_suffix(2);
  } else if (!text.empty() && isEnd(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// The domain of the return address's mailbox (as the envelope sender takes
// it: from the first "<" on, else the bare mailbox), for the Message-ID.
std::string MessageDomain(std::string_view returnAddress) {
  std::size_t open = returnAddress.find('<');
  std::string_view sender =
      open != returnAddress.npos ? returnAddress.substr(open) : TrimBlanks(returnAddress);
  std::size_t at = sender.rfind('@');
  if (at == sender.npos) return "localhost";
  std::string_view domain = sender.substr(at + 1);
  domain = domain.substr(0, domain.find('>'));
  return domain.empty() ? "localhost" : std::string(domain);
}

std::string MessageId(std::string_view returnAddress) {
  std::random_device device;
  std::uint64_t random = (std::uint64_t{device()} << 32) | device();
  char id[64];
  std::snprintf(id, sizeof id, "%llx.%016llx", static_cast<long long>(WallSeconds()),
                static_cast<unsigned long long>(random));
  return "<" + std::string(id) + "@" + MessageDomain(returnAddress) + ">";
}

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

// The parameters naming the part's file: a plain ASCII "name" in the content
// type for every reader, and the exact name in the disposition, as an
// extended parameter when it is not plain. ("name" beside "name*" would be
// one parameter given twice.)
std::string NameParameter(const ComposedPart& part) {
  return "; name=\"" + AsciiFileName(FileNameOf(part.sourcePath)) + "\"";
}

std::string DispositionLine(const ComposedPart& part) {
  std::string name = FileNameOf(part.sourcePath);
  std::string line = "Content-Disposition: attachment; ";
  line += AsciiFileName(name) == name ? "filename=\"" + name + "\""
                                      : "filename*=" + ExtendedValue(name);
  return line + "\r\n";
}

// The content type line, the encoding line and, for a named file, the
// disposition line of a part's header.
std::string PartHeader(const ComposedPart& part) {
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
      line += NameParameter(part) + "; type=Unknown\r\n";
      break;
    case TransferEncoding::kBinary:
      line += type ? *type : "Application/Octet-stream";
      line += NameParameter(part) + "; type=Unknown\r\n";
      break;
    default:
      return {};
  }
  line += "Content-Transfer-Encoding: ";
  line += HeaderWord(part.encoding);
  line += "\r\n";
  if (part.encoding == TransferEncoding::kBase64 || part.encoding == TransferEncoding::kBinary) {
    line += DispositionLine(part);
  }
  return line;
}

// The line that opens every part, and the one that closes the body.
std::string Delimiter(const std::string& boundary) { return "\r\n--" + boundary + "\r\n"; }
std::string CloseDelimiter(const std::string& boundary) { return "\r\n--" + boundary + "--\r\n"; }

// A part's header lines, ended by the empty line.
std::string PartHeaderBlock(const ComposedPart& part) {
  std::string header = PartHeader(part);
  for (const std::string& line : part.partHeaderLines) header += line + "\r\n";
  return header + "\r\n";
}

std::vector<std::string> MessageHeaderLines(const std::string& boundary) {
  return {"MIME-Version: 1.0\r\n",
          "Content-Type: Multipart/Mixed; boundary=\"" + boundary + "\"\r\n"};
}

bool WriteText(File& output, std::string_view text) {
  return output.Write(text.data(), text.size()).ok();
}

// Writes one part's header and body. False only when writing the output
// failed; a source that cannot be opened, a kind without a writer and a
// tested writer's refusal leave the part short without failing.
bool WritePart(File& output, const ComposedPart& part) {
  if (PartHeader(part).empty()) return true;  // no writer for this kind
  auto source = File::OpenRead(part.sourcePath);
  if (!source) return true;
  if (!WriteText(output, PartHeaderBlock(part))) return false;
  auto before = output.Size();
  auto sourceSize = source->Size();
  if (!before || !sourceSize) return false;
  std::int64_t expected = *sourceSize;
  switch (part.encoding) {
    case TransferEncoding::kSevenBit:
      EncodeSevenBit(*source, output);
      return true;
    case TransferEncoding::kEightBit:
      EncodeEightBit(*source, output);
      return true;
    case TransferEncoding::kBase64:
      EncodeBase64(*source, output);
      expected = static_cast<std::int64_t>(Base64EncodedSize(static_cast<std::size_t>(expected)));
      break;
    case TransferEncoding::kQuotedPrintable:
      EncodeQuotedPrintable(*source, output);
      return true;
    case TransferEncoding::kBinary:
      EncodeBinary(*source, output);
      break;
    default:
      return true;
  }
  // The untested writers must have written the whole source: a short body
  // means the output device failed (or the source shrank under us).
  auto after = output.Size();
  return after && *after - *before == expected;
}

}  // namespace

std::string FormatMailDate(std::int64_t secondsSinceEpoch) {
  UtcTime utc = UtcTimeOf(secondsSinceEpoch);
  char text[64];
  std::snprintf(text, sizeof text, "%2.2d %s %d %2.2d:%2.2d:%2.2d +0000", utc.day,
                kMonths[utc.month - 1], utc.year, utc.hour, utc.minute, utc.second);
  return text;
}

std::string ComposeHeaderBlock(const MessageHeading& heading) {
  std::string block = "From: " + EncodedAddresses(OneLine(heading.from)) +
                      "\r\nTo: " + EncodedAddresses(OneLine(heading.to)) +
                      "\r\nSubject: " + EncodedWords(OneLine(heading.subject)) +
                      "\r\nDate: " + FormatMailDate(WallSeconds()) +
                      "\r\nMessage-ID: " + MessageId(heading.from) + "\r\n";
  for (const std::string& line : heading.extraLines) {
    block += OneLine(WithoutLineEnd(line)) + "\r\n";
  }
  return block + "\r\n";
}

std::optional<ComposedSize> ComposedSizeOf(const ComposedPart& part, std::uint64_t sourceSize) {
  std::uint64_t encoded = 0;
  if (part.encoding == TransferEncoding::kBase64) {
    encoded = Base64EncodedSize(sourceSize);
  } else if (part.encoding == TransferEncoding::kBinary) {
    encoded = sourceSize;
  } else {
    return std::nullopt;
  }
  // Every boundary Compose makes has the same length: any one measures.
  std::string boundary(kComposeBoundaryLength, 'x');
  ComposedSize size;
  size.body = Delimiter(boundary).size() + PartHeaderBlock(part).size() + encoded +
              CloseDelimiter(boundary).size();
  for (const std::string& line : MessageHeaderLines(boundary)) size.headerLines += line.size();
  return size;
}

int ComposeCode(ComposeOutcome outcome) {
  switch (outcome) {
    case ComposeOutcome::kOk:
      return 0;
    case ComposeOutcome::kNoParts:
      return -1;
    case ComposeOutcome::kCannotCreate:
      return -2;
    case ComposeOutcome::kWriteFailed:
      break;
  }
  return -3;
}

void MimeComposer::Clear() {
  parts_.clear();
  headerLines_.clear();
}

bool MimeComposer::AddFilePart(const std::string& path, std::optional<std::string> contentType,
                               TransferEncoding encoding) {
  if (!File::OpenRead(path)) return false;
  ComposedPart part;
  part.sourcePath = path;
  part.contentType = std::move(contentType);
  part.encoding = encoding;
  parts_.push_back(std::move(part));
  return true;
}

bool MimeComposer::AddPartHeaderLine(std::string_view text) {
  if (parts_.empty()) return false;
  parts_.back().partHeaderLines.emplace_back(text);
  return true;
}

void MimeComposer::AddHeaderLine(std::string_view text) { headerLines_.emplace_back(text); }

std::optional<std::string> MimeComposer::MakeBoundary(int length) {
  if (length < kMinBoundaryLength || length > kMaxBoundaryLength) return std::nullopt;
  UtcTime utc = WallTimeUtc();
  char text[kMaxBoundaryLength + 64];
  int used = std::snprintf(text, sizeof text, "Mark=_%d%d%d%d%d%d%d", utc.year, utc.month, utc.day,
                           utc.hour, utc.minute, utc.second, utc.millisecond);
  // The random tail is seeded with the milliseconds since the system started.
  std::minstd_rand random(static_cast<std::uint32_t>(MonotonicMilliseconds()));
  for (; used < length; ++used) text[used] = kBase64Alphabet[random() % 63];
  return std::string(text, static_cast<std::size_t>(length));
}

ComposeOutcome MimeComposer::Compose(const std::string& outputPath) {
  boundary_ = *MakeBoundary(kComposeBoundaryLength);
  if (parts_.empty()) return ComposeOutcome::kNoParts;
  auto output = File::Create(outputPath);
  if (!output) return ComposeOutcome::kCannotCreate;
  for (const std::string& line : MessageHeaderLines(boundary_)) AddHeaderLine(line);

  bool written = true;
  for (const ComposedPart& part : parts_) {
    written = WriteText(*output, Delimiter(boundary_)) && written;
    written = WritePart(*output, part) && written;
  }
  written = WriteText(*output, CloseDelimiter(boundary_)) && written;
  if (!output->Close() || !written) return ComposeOutcome::kWriteFailed;
  return ComposeOutcome::kOk;
}

}  // namespace fennimar
