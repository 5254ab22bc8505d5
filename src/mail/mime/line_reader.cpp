#include "mail/mime/line_reader.h"

#include <algorithm>
#include <cstring>

namespace fennimar {

LineReader::LineReader(File& file, std::int64_t begin, std::int64_t end)
    : file_(file),
      buffer_(new char[kLineBufferSize]),
      bufferStart_(begin),
      readPos_(begin),
      begin_(begin),
      end_(end) {
  if (!file_.Seek(begin)) failed_ = eof_ = true;
}

bool LineReader::Fill() {
  if (eof_) return false;
  std::size_t keep = pos_ >= 2 ? pos_ - 2 : 0;
  std::memmove(buffer_.get(), buffer_.get() + keep, len_ - keep);
  len_ -= keep;
  pos_ -= keep;
  bufferStart_ += keep;
  auto room = static_cast<std::int64_t>(kLineBufferSize - len_);
  std::int64_t want = std::min(room, end_ - readPos_);
  if (want <= 0) {
    eof_ = readPos_ >= end_;
    return false;
  }
  auto nRead = file_.Read(buffer_.get() + len_, static_cast<std::size_t>(want));
  std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
  if (n < 0) failed_ = true;
  if (n <= 0) {
    eof_ = true;
    return false;
  }
  len_ += static_cast<std::size_t>(n);
  readPos_ += n;
  if (readPos_ >= end_) eof_ = true;
  return true;
}

int LineReader::PrecedingEnd(std::size_t at) const {
  if (bufferStart_ + static_cast<std::int64_t>(at) == begin_) return 0;
  return at >= 2 && buffer_[at - 2] == '\r' ? 2 : 1;
}

bool LineReader::Next(Line& line) {
  if (pos_ >= len_ && !Fill()) return false;
  atLineStart_ = true;
  line.start = bufferStart_ + static_cast<std::int64_t>(pos_);
  line.precedingEnd = PrecedingEnd(pos_);
  std::size_t scanned = pos_;
  for (;;) {
    const void* found = std::memchr(buffer_.get() + scanned, '\n', len_ - scanned);
    if (found != nullptr) {
      auto k = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.get());
      std::string_view text(buffer_.get() + pos_, k - pos_);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      line.text = text;
      pos_ = k + 1;
      line.next = bufferStart_ + static_cast<std::int64_t>(pos_);
      return true;
    }
    if (eof_) {
      std::string_view text(buffer_.get() + pos_, len_ - pos_);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      line.text = text;
      pos_ = len_;
      line.next = bufferStart_ + static_cast<std::int64_t>(pos_);
      return true;
    }
    if (pos_ > 2) {
      std::size_t offset = len_ - pos_;
      Fill();
      scanned = pos_ + offset;
      continue;
    }
    break;
  }
  // A line longer than the buffer: its beginning is kept, the rest skipped.
  longText_.assign(buffer_.get() + pos_, std::min(len_ - pos_, kMaxLineText));
  for (;;) {
    pos_ = len_;
    if (!Fill()) break;
    const void* found = std::memchr(buffer_.get() + pos_, '\n', len_ - pos_);
    if (found != nullptr) {
      pos_ = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.get()) + 1;
      break;
    }
  }
  if (!longText_.empty() && longText_.back() == '\r') longText_.pop_back();
  line.text = longText_;
  line.next = bufferStart_ + static_cast<std::int64_t>(pos_);
  return true;
}

bool LineReader::NextStartingWith(std::string_view prefix, Line& line) {
  for (;;) {
    if (atLineStart_) {
      while (len_ - pos_ < prefix.size() && Fill()) {
      }
      if (AtEnd()) return false;
      if (std::string_view(buffer_.get() + pos_, len_ - pos_).substr(0, prefix.size()) == prefix) {
        return Next(line);
      }
    }
    // Candidates are the prefix's first byte right after an LF.
    std::size_t from = pos_ + 1;
    bool matched = false;
    while (from < len_) {
      const void* found = std::memchr(buffer_.get() + from, prefix[0], len_ - from);
      if (found == nullptr) break;
      auto k = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.get());
      if (buffer_[k - 1] == '\n') {
        pos_ = k;
        atLineStart_ = matched = true;
        break;
      }
      from = k + 1;
    }
    if (matched) continue;
    // Nothing here: keep the last byte, which may be the LF before a match.
    if (eof_) {
      pos_ = len_;
      return false;
    }
    if (len_ > 0) pos_ = std::max(pos_, len_ - 1);
    atLineStart_ = false;
    if (!Fill()) {
      pos_ = len_;
      return false;
    }
  }
}

}  // namespace fennimar
