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
// Parse, ParsedParts, ExtractPart for the wanted parts, CloseSource. Each
// answers with an enum class outcome (with the system's reason where a
// system call failed); mime_parser_codes.h turns them into the integer codes
// that callers of the parser's integer interface expect. A message never makes
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
#include "platform/system_error.h"

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

// How OpenSource and CloseSource ended.
enum class SourceOutcome {
  kOk,
  kAlreadyOpen,  // OpenSource: a source is open already
  kCannotOpen,   // OpenSource: the file cannot be opened or measured
  kNoSource,     // CloseSource: none is open
  kCloseFailed,  // CloseSource: closing failed (the source is closed all the same)
};

// How Parse ended.
enum class ParseOutcome {
  kOk,
  kNoSource,
  kNotMime,     // no "MIME-Version: 1.0" header, or no empty line ending it
  kNoBoundary,  // a multipart message without a usable "boundary"
};

// How an extraction ended.
enum class PartOutcome {
  kOk,
  kNoSource,
  kNoSuchPart,
  kUnusableName,  // the part's name is no safe file name, or no name was given
  kNameTaken,     // a file of the part's name is there already
  kCannotCreate,  // the output cannot be created
  kFailed,        // reading the source or writing the output failed; nothing kept
};

// An outcome, and the system's reason when a system call brought it about.
template <typename Outcome>
struct ParserResult {
  Outcome outcome = Outcome::kOk;
  std::optional<SystemError> error;

  bool ok() const { return outcome == Outcome::kOk; }
  // The system's words for the failure; empty when it gave none.
  std::string Reason() const { return error ? error->Reason() : std::string(); }
};
using SourceResult = ParserResult<SourceOutcome>;
using PartResult = ParserResult<PartOutcome>;

// How FindText ended, and where the text is when it was found.
enum class FindOutcome { kFound, kNoSource, kReadFailed, kTextTooLong, kNotFound };
struct FoundText {
  FindOutcome outcome = FindOutcome::kNotFound;
  std::int64_t offset = -1;  // with kFound only
};
enum class LetterCase { kIgnore, kExact };

class MimeParser {
 public:
  MimeParser() = default;
  MimeParser(const MimeParser&) = delete;
  MimeParser& operator=(const MimeParser&) = delete;

  // Opens the stored message.
  SourceResult OpenSource(const std::string& path);
  // Opens the message that fills bytes [offset, offset + length) of the file
  // at `path`. With `fromQuoted`, lines ">From " were quoted by an mbox
  // writer and lose their ">" when a part that is not base64 is extracted.
  SourceResult OpenSource(const std::string& path, std::int64_t offset, std::int64_t length,
                          bool fromQuoted);
  // Closes the source and frees the parsed parts.
  SourceResult CloseSource();
  bool HasSource() const { return source_.has_value(); }
  // True when the message has a header block (ended by an empty line) with a
  // "MIME-Version: 1.0" field.
  bool IsMime();
  // Finds the parts. A message that is not a multipart is one part: its body
  // runs from after the empty line to the end of the message. Each call
  // appends to the list.
  ParseOutcome Parse();
  // The parsed parts, in the order of the message.
  const std::vector<ParsedPart>& ParsedParts() const { return parsedParts_; }
  int PartCount() const { return static_cast<int>(parsedParts_.size()); }
  // Writes part `index` (from 0), decoded, into `outputPath`, which is
  // created or emptied. With an empty `outputPath` the part's own name is
  // used in the current directory, as ExtractPartToDirectory does. A failed
  // write removes the output.
  PartResult ExtractPart(int index, const std::string& outputPath);
  // Writes part `index` into `directory` under the last path component of
  // its file name. A name that is then empty, "." or "..", or that holds a
  // control character, is refused (kUnusableName) and nothing is written;
  // so is the name of a file that already exists (kNameTaken). The part is
  // written under a temporary name and takes its own only when it is
  // complete.
  PartResult ExtractPartToDirectory(int index, const std::string& directory);
  // Hands part `index`, decoded, to `sink` piece by piece until the part
  // ends or `sink` returns false. Fails when there is no such part
  // (ErrorKind::kNotFound) or the source cannot be read.
  using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;
  Result<void> DecodePart(int index, const Sink& sink);
  // The file offset of the first occurrence of `text` at or after `start`.
  // A `limit` above 0 admits only matches that begin within `limit` bytes
  // after `start`. kTextTooLong when `text` is longer than the search window.
  FoundText FindText(std::string_view text, std::int64_t start, LetterCase letterCase,
                     std::int64_t limit);

  // True when Parse left parts out: multiparts or attached messages nested
  // deeper than kMaxNestingDepth, or parts beyond kMaxParsedParts.
  bool LeftPartsOut() const { return leftPartsOut_; }
  // Asked while a part is extracted; when it returns true the extraction
  // ends, as a failed one does, and nothing is kept.
  void SetStopCheck(std::function<bool()> stopRequested) {
    stopRequested_ = std::move(stopRequested);
  }

  // A name taken from a message as fennimar::SafeFileName (format/file_name.h)
  // takes it, at most kMaxExtractPathLength bytes; empty when it is none.
  static std::string SafeFileName(std::string_view name);

 private:
  int ReadAt(std::int64_t offset, char* buffer, std::size_t size);
  PartResult ExtractTo(int index, const std::string& path, bool mayReplace);
  bool HasPart(int index) const;

  std::vector<ParsedPart> parsedParts_;
  std::optional<File> source_;
  std::int64_t begin_ = 0;  // the message's bytes in the file
  std::int64_t end_ = 0;
  bool fromQuoted_ = false;
  bool leftPartsOut_ = false;
  std::function<bool()> stopRequested_;
};

}  // namespace fennimar
