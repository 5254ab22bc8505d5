// MimeParser: finds the body parts of a stored mail message and writes any of
// them, decoded, into a file of its own.
//
// The message is read as mail stores keep it: lines end in CR LF or LF, also
// mixed; header fields may be folded; parameters are read wherever they
// stand, quoted or not, in RFC 2231 form or with RFC 2047 encoded words.
// Multiparts are entered to a depth of kMaxNestingDepth, and so are attached
// messages (message/rfc822); preambles and epilogues are skipped, a missing
// closing delimiter ends the part at the end of the message, and only a
// whole line "--boundary" or "--boundary--" is a delimiter. The parsed parts
// are the leaves, in the order of the message.
//
// The source is read once by Parse and once more by each extraction,
// through fixed buffers: memory does not grow with the size of the message,
// nor beyond kMaxParsedParts parts.
//
// Calling order: OpenSource (a whole file, or one message inside a mailbox),
// Parse, PartCount, ExtractPart for the wanted parts, CloseSource. The
// results are the integer codes listed per operation. A message never makes
// ExtractPartToDirectory write outside the directory the caller chose, nor
// replace a file that already exists there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mime/parsed_part.h"
#include "platform/file.h"

namespace fennimar {

// FindText reads the source in windows of this many bytes.
inline constexpr std::int64_t kFindWindowSize = 4096;
// At most this many characters of an output path are used by ExtractPart.
inline constexpr std::size_t kMaxExtractPathLength = 255;
// Multiparts and attached messages deeper than this are taken as leaves.
inline constexpr int kMaxNestingDepth = 16;
// Parts beyond this count are not listed.
inline constexpr std::size_t kMaxParsedParts = 10000;
// A longer boundary is refused.
inline constexpr std::size_t kMaxParsedBoundary = 200;
// ExtractPartToDirectory writes a part under a temporary name that starts
// with this, beside its final name, until the part is complete.
inline constexpr std::string_view kExtractTemporaryPrefix = ".fennimar-part-";

class MimeParser {
 public:
  MimeParser() = default;
  MimeParser(const MimeParser&) = delete;
  MimeParser& operator=(const MimeParser&) = delete;

  // Opens the stored message. -1 a source is already open; -2 it cannot be
  // opened; 0.
  int OpenSource(const std::string& path);
  // Opens the message that fills bytes [offset, offset + length) of the file
  // at `path`. With `fromQuoted`, lines ">From " were quoted by an mbox
  // writer and lose their ">" when a part that is not base64 is extracted.
  // Results as above.
  int OpenSource(const std::string& path, std::int64_t offset, std::int64_t length,
                 bool fromQuoted);
  // Closes the source and frees the parsed parts. -1 no source; -2 the close
  // failed; 0.
  int CloseSource();
  // True when the message has a header block (ended by an empty line) with a
  // "MIME-Version: 1.0" field.
  bool IsMime();
  // Finds the parts. -1 no source; -2 not a MIME message or no empty line;
  // -3 a multipart message without a usable "boundary"; 0. A message that is
  // not a multipart is one part: its body runs from after the empty line to
  // the end of the message. Each call appends to the list.
  int Parse();
  // The number of parsed parts; -1 no source.
  int PartCount() const;
  const std::vector<ParsedPart>& ParsedParts() const { return parsedParts_; }
  // Writes part `index` (from 0), decoded, into `outputPath`, which is
  // created or emptied. With an empty `outputPath` the part's own name is
  // used in the current directory, as ExtractPartToDirectory does.
  // -1 no source; -2 no usable output name, or the output cannot be created;
  // -3 reading the source or writing the output failed (the output is
  // removed); -10 no such part; 0.
  int ExtractPart(int index, const std::string& outputPath);
  // Writes part `index` into `directory` under the last path component of
  // its file name. A name that is then empty, "." or "..", or that holds a
  // control character, is refused with -2 and nothing is written; so is a
  // name of a file that already exists. The part is written under a
  // temporary name and takes its own only when it is complete. Other results
  // as ExtractPart.
  int ExtractPartToDirectory(int index, const std::string& directory);
  // Hands part `index`, decoded, to `sink` piece by piece until the part
  // ends or `sink` returns false. False when there is no such part or the
  // source cannot be read.
  using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;
  bool DecodePart(int index, const Sink& sink);
  // The file offset of the first occurrence of `text` at or after `start`,
  // compared without regard to letter case when `caseFlag` is 0. A `limit`
  // above 0 admits only matches that begin within `limit` bytes after
  // `start`. -1 no source; -2 read error; -4 text longer than the search
  // window; -5 not found.
  std::int64_t FindText(std::string_view text, std::int64_t start, int caseFlag,
                        std::int64_t limit);

  // True when Parse left parts out: multiparts or attached messages nested
  // deeper than kMaxNestingDepth, or parts beyond kMaxParsedParts.
  bool LeftPartsOut() const { return leftPartsOut_; }
  // Asked while a part is extracted; when it returns true the extraction
  // ends, as a failed one does, and nothing is kept.
  void SetStopCheck(std::function<bool()> stopRequested) {
    stopRequested_ = std::move(stopRequested);
  }
  // The system's reason for the last extraction that failed with -2 or -3;
  // empty when the system gave none (a name that was taken, say).
  const std::string& failureReason() const { return failureReason_; }

  // A name taken from a message as fennimar::SafeFileName (format/file_name.h)
  // takes it, at most kMaxExtractPathLength bytes; empty when it is none.
  static std::string SafeFileName(std::string_view name);

 private:
  int ReadAt(std::int64_t offset, char* buffer, std::size_t size);
  int ExtractTo(int index, const std::string& path, bool mayReplace);

  std::vector<ParsedPart> parsedParts_;
  std::optional<File> source_;
  std::int64_t begin_ = 0;  // the message's bytes in the file
  std::int64_t end_ = 0;
  bool fromQuoted_ = false;
  bool leftPartsOut_ = false;
  std::function<bool()> stopRequested_;
  std::string failureReason_;
};

}  // namespace fennimar
