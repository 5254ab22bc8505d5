// LineReader: the lines of a byte range of a file, for the message parser
// and the mailbox reader. Lines end in LF, CR LF or the end of the range.
// One fixed buffer holds what is being looked at, so memory does not grow
// with the length of a line or of the range; of a line longer than the
// buffer only its first kMaxLineText bytes are handed out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file.h"

namespace fennimar {

inline constexpr std::size_t kLineBufferSize = 256 * 1024;
inline constexpr std::size_t kMaxLineText = 4096;

struct Line {
  std::int64_t start = 0;  // the file offset of its first byte
  std::int64_t next = 0;   // the file offset after its line end
  int precedingEnd = 0;    // the line end before it: 2 CR LF, 1 LF, 0 none
  std::string_view text;   // without its line end; valid until the next call
};

class LineReader {
 public:
  // Reads bytes [begin, end) of `file`, which it borrows.
  LineReader(File& file, std::int64_t begin, std::int64_t end);

  // The next line; false at the end of the range or when reading fails.
  bool Next(Line& line);
  // The next line that begins with `prefix`, skipping the others unread
  // (the search looks for the prefix's first byte only, so a prefix that
  // starts with a byte rare in the data skips fastest).
  bool NextStartingWith(std::string_view prefix, Line& line);
  bool failed() const { return failed_; }

 private:
  // Moves the unread bytes (and two bytes before them, which tell the
  // preceding line end) to the front and reads more. False when nothing
  // more could be read.
  bool Fill();
  int PrecedingEnd(std::size_t at) const;
  bool AtEnd() const { return eof_ && pos_ >= len_; }

  File& file_;
  std::unique_ptr<char[]> buffer_;  // kLineBufferSize bytes, not cleared
  std::size_t pos_ = 0;             // the next unread byte
  std::size_t len_ = 0;             // bytes held
  std::int64_t bufferStart_;        // the file offset of buffer_[0]
  std::int64_t readPos_;            // the next file offset to read
  std::int64_t begin_;
  std::int64_t end_;
  bool eof_ = false;
  bool failed_ = false;
  bool atLineStart_ = true;
  std::string longText_;
};

}  // namespace fennimar
