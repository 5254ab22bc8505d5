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
// Parsing: OpenSource, Parse, PartCount, ExtractPart for the wanted parts,
// CloseSource. All searches in the source compare letters without regard to
// case. A message never makes ExtractPart write outside the directory the
// caller chose, nor replace a file that already exists there.
//
// Results are ints: 0 success, negative failures as listed per operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mime_part.h"
#include "mail/transfer_encoding.h"
#include "platform/file.h"

namespace fennimar {

// The boundary length Compose asks for, and the limits MakeBoundary accepts.
inline constexpr int kComposeBoundaryLength = 25;
inline constexpr int kMinBoundaryLength = 20;
inline constexpr int kMaxBoundaryLength = 70;
// FindText reads the source in windows of this many bytes.
inline constexpr std::int64_t kFindWindowSize = 4096;
// At most this many characters of an output path are used by ExtractPart.
inline constexpr std::size_t kMaxExtractPathLength = 255;

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

  // --- Parsing ---

  // Opens the stored message. -1 a source is already open; -2 it cannot be
  // opened; 0.
  int OpenSource(const std::string& path);
  // Closes the source and frees the parsed parts. -1 no source; -2 the close
  // failed; 0.
  int CloseSource();
  // True when the source has a header block (ended by an empty line) and
  // "MIME-Version: 1.0" occurs in it.
  bool IsMime();
  // Finds the parts. -1 no source; -2 not a MIME message or no empty line;
  // -3 a multipart header without a usable "boundary"; 0. A message without
  // "Multipart/" in its header is one part whose body runs from after the
  // first empty line to the end of the file. Each call appends to the list.
  int Parse();
  // The number of parsed parts; -1 no source.
  int PartCount() const;
  const std::vector<MimePart>& ParsedParts() const { return parsedParts_; }
  // Writes part `index` (from 0), decoded, into `outputPath`, which is
  // created or emptied. With an empty `outputPath` the part's own name is
  // used in the current directory, as ExtractPartToDirectory does.
  // -1 no source; -2 no usable output name, or the output cannot be created;
  // -3 reading the source or writing the output failed (the output is
  // removed); -10 no such part; 0.
  int ExtractPart(int index, const std::string& outputPath);
  // Writes part `index` into `directory` under the last path component of
  // the part's "NAME" parameter. A name that is then empty, "." or "..", or
  // that holds a control character, is refused with -2 and nothing is
  // written; so is a name of a file that already exists. Other results as
  // ExtractPart.
  int ExtractPartToDirectory(int index, const std::string& directory);
  // The file offset of the first occurrence of `text` at or after `start`,
  // compared without regard to letter case when `caseFlag` is 0. A `limit`
  // above 0 admits only matches that begin within `limit` bytes after
  // `start`. -1 no source; -2 read error; -4 text longer than the search
  // window; -5 not found.
  std::int64_t FindText(std::string_view text, std::int64_t start, int caseFlag,
                        std::int64_t limit);

 private:
  int WritePart(File& output, const MimePart& part);
  int ReadAt(std::int64_t offset, char* buffer, std::size_t size);
  void ReadFields(MimePart& part, std::int64_t headerStart, std::int64_t headerEnd);
  int ExtractTo(const MimePart& part, const std::string& path, bool mayReplace);

  std::string boundary_;
  std::vector<MimePart> parts_;
  std::vector<std::string> headerLines_;
  std::vector<MimePart> parsedParts_;
  std::optional<File> source_;
};

}  // namespace fennimar
