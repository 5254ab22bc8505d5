// MimeComposer: the body of a multipart/mixed MIME message, composed from
// files.
//
// AddFilePart for every file (each with its content type and
// TransferEncoding), optionally AddPartHeaderLine, then Compose writes the
// whole body, from the first delimiter line to the closing one, into a file
// and records the two message header lines that announce it
// ("MIME-Version: 1.0" and the multipart content type with the boundary),
// which the sender reads out with HeaderLines.
//
// ComposeHeaderBlock writes the header block of any message, MIME or not:
// the sender hands it to the SMTP session as it stands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mime/composed_part.h"
#include "mail/mime/transfer_encoding.h"

namespace fennimar {

// The boundary length Compose asks for, and the limits MakeBoundary accepts.
inline constexpr int kComposeBoundaryLength = 25;
inline constexpr int kMinBoundaryLength = 20;
inline constexpr int kMaxBoundaryLength = 70;

// How Compose ended.
enum class ComposeOutcome {
  kOk,
  kNoParts,       // nothing was added; no file is created
  kCannotCreate,  // the output cannot be created
  kWriteFailed,   // writing or closing the output failed
};

// The composer's integer result codes: 0, -1, -2, -3.
int ComposeCode(ComposeOutcome outcome);

// The header fields of one message as the user gave them.
struct MessageHeading {
  std::string from;     // the return address
  std::string to;       // one recipient, or several separated by commas
  std::string subject;  // any text, UTF-8
  // More header lines in order ("MIME-Version: 1.0", say), each with or
  // without its line end.
  std::vector<std::string> extraLines;
};

// The header block of a message: "From", "To" and "Subject" (with encoded
// words where they are not plain ASCII), "Date" (the wall clock's now), a
// "Message-ID" unique to this message in the domain of the return address,
// and the extra lines, each ended by CR LF, then the empty line that ends
// the header. A CR or LF inside any of them becomes a blank, so that no
// text can add a header line or end the header early. Of an extra line,
// its line end goes first: when its next-to-last character is CR or LF it
// is cut there, else a last CR or LF is removed.
std::string ComposeHeaderBlock(const MessageHeading& heading);

// "DD Mon YYYY hh:mm:ss +0000" of the given UTC time: the zone as a number,
// not the obsolete "GMT".
std::string FormatMailDate(std::int64_t secondsSinceEpoch);

// What Compose writes for a message of one part: the composed file and the
// two message header lines it records, in bytes.
struct ComposedSize {
  std::uint64_t body = 0;
  std::uint64_t headerLines = 0;
};

// The sizes Compose gives a message whose one part is `part` when its source
// holds `sourceSize` bytes, without reading or writing anything. None for an
// encoding whose output length depends on the bytes themselves (7BIT, 8BIT,
// quoted-printable).
std::optional<ComposedSize> ComposedSizeOf(const ComposedPart& part, std::uint64_t sourceSize);

class MimeComposer {
 public:
  MimeComposer() = default;
  MimeComposer(const MimeComposer&) = delete;
  MimeComposer& operator=(const MimeComposer&) = delete;

  // Forgets every part and every message header line; the boundary stays.
  void Clear();
  // Appends a part for the file at `path`, which becomes the last part.
  // False (nothing added) when the file cannot be opened for reading.
  bool AddFilePart(const std::string& path, std::optional<std::string> contentType,
                   TransferEncoding encoding);
  // Appends a line to the last part's header. False when no part was added.
  bool AddPartHeaderLine(std::string_view text);
  // Appends a line (kept as given, line end included) to the message header
  // lines.
  void AddHeaderLine(std::string_view text);
  // "Mark=_" and the UTC date and time, then random characters from the
  // base64 alphabet without "/", `length` characters in all. None when the
  // length lies outside 20 to 70.
  static std::optional<std::string> MakeBoundary(int length);
  // Composes the body into `outputPath` (created or emptied) and appends the
  // two message header lines. A part whose source cannot be opened consists
  // of its delimiter line alone.
  ComposeOutcome Compose(const std::string& outputPath);

  // The message header lines, each with its CR LF.
  const std::vector<std::string>& HeaderLines() const { return headerLines_; }
  // The boundary of the last Compose.
  const std::string& Boundary() const { return boundary_; }

 private:
  std::string boundary_;
  std::vector<ComposedPart> parts_;
  std::vector<std::string> headerLines_;
};

}  // namespace fennimar
