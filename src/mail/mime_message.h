// MimeMessage: a stored multipart/mixed MIME message, parsed back into the
// files it carries. (MimeComposer writes such messages.)
//
// OpenSource, Parse, PartCount, ExtractPart for the wanted parts,
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
  int ReadAt(std::int64_t offset, char* buffer, std::size_t size);
  void ReadFields(MimePart& part, std::int64_t headerStart, std::int64_t headerEnd);
  int ExtractTo(const MimePart& part, const std::string& path, bool mayReplace);

  std::vector<MimePart> parsedParts_;
  std::optional<File> source_;
};

}  // namespace fennimar
