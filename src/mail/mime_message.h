// MimeMessage: a multipart/mixed MIME message, composed from files or parsed
// back into them.
//
// Composition: AddFilePart for every file (each with its content type and
// TransferEncoding), optionally AddPartHeaderLine, then Compose writes the
// whole body, from the first delimiter line to the closing one, into a file
// and records the two message header lines that announce it
// ("MIME-Version: 1.0" and the multipart content type with the boundary),
// which the sender reads out with HeaderLineCount and GetHeaderLine.
//
// Parsing is MimeParser's (mail/mime_parser.h); MimeMessage hands its
// parsing calls on to one.
//
// Results are ints: 0 success, negative failures as listed per operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mime_parser.h"
#include "mail/mime_part.h"
#include "mail/transfer_encoding.h"
#include "platform/file.h"

namespace fennimar {

// The boundary length Compose asks for, and the limits MakeBoundary accepts.
inline constexpr int kComposeBoundaryLength = 25;
inline constexpr int kMinBoundaryLength = 20;
inline constexpr int kMaxBoundaryLength = 70;

class MimeMessage {
 public:
  MimeMessage() = default;
  ~MimeMessage() = default;
  MimeMessage(const MimeMessage&) = delete;
  MimeMessage& operator=(const MimeMessage&) = delete;

  // --- Composition ---

  // Frees every part and every message header line; the boundary stays.
  // Always 0.
  int Clear();
  // Appends a part for the file at `path`, which becomes the last part.
  // -1 (nothing added) when the file cannot be opened for reading; 0.
  int AddFilePart(const std::string& path, std::optional<std::string> contentType,
                  TransferEncoding encoding);
  // Appends a line to the last part's header. -1 when no part was added; 0.
  int AddPartHeaderLine(std::string_view text);
  // Appends a line (kept as given, line end included) to the message header
  // lines. Always 0.
  int AddHeaderLine(std::string_view text);
  // Writes "Mark=_" and the UTC date and time, then random characters from
  // the base64 alphabet without "/", `length` characters in all, into
  // `buffer`, which must hold length + 1 bytes. -1 length below 20; -2 above
  // 70; 0.
  int MakeBoundary(char* buffer, int length);
  // Composes the body into `outputPath` (created or emptied) and appends the
  // two message header lines. -1 no parts (no file created); -2 the output
  // cannot be created; -3 writing or closing the output failed; 0. A part
  // whose source cannot be opened consists of its delimiter line alone.
  int Compose(const std::string& outputPath);
  int HeaderLineCount() const { return static_cast<int>(headerLines_.size()); }
  // Copies line `index` (from 0) with its terminator into `buffer` of `size`
  // bytes. -1 no lines at all; -2 no such line; -3 it does not fit; 0.
  int GetHeaderLine(int index, char* buffer, int size) const;
  // The boundary of the last Compose.
  const std::string& Boundary() const { return boundary_; }
  const std::vector<MimePart>& Parts() const { return parts_; }

  // --- Parsing: MimeParser's, under the names callers know ---

  int OpenSource(const std::string& path) { return parser_.OpenSource(path); }
  int CloseSource() { return parser_.CloseSource(); }
  bool IsMime() { return parser_.IsMime(); }
  int Parse() { return parser_.Parse(); }
  int PartCount() const { return parser_.PartCount(); }
  const std::vector<MimePart>& ParsedParts() const { return parser_.ParsedParts(); }
  int ExtractPart(int index, const std::string& outputPath) {
    return parser_.ExtractPart(index, outputPath);
  }
  int ExtractPartToDirectory(int index, const std::string& directory) {
    return parser_.ExtractPartToDirectory(index, directory);
  }
  std::int64_t FindText(std::string_view text, std::int64_t start, int caseFlag,
                        std::int64_t limit) {
    return parser_.FindText(text, start, caseFlag, limit);
  }

 private:
  int WritePart(File& output, const MimePart& part);

  std::string boundary_;
  std::vector<MimePart> parts_;
  std::vector<std::string> headerLines_;
  MimeParser parser_;
};

}  // namespace fennimar
