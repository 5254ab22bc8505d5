// BufferedWriter: gathers small writes into large ones that start at
// multiples of the buffer size in the file. Part files begin with an 86-byte
// header, so writing each 32,000-byte block as it comes would make every
// write straddle page boundaries, which costs the page cache far more than
// the bytes themselves.
//
// A caller that reads its data from a file can read it straight into the
// writer's buffer (Space, then Commit), so that each byte is copied once on
// its way from one file to the other.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/file.h"

namespace fennimar {

inline constexpr std::size_t kWriteBufferSize = 256 * 1024;

class BufferedWriter {
 public:
  // Writes to `file`, which must stay open while the writer is used; the
  // writer starts at the file's current offset.
  explicit BufferedWriter(File& file)
      : file_(file), buffer_(std::make_unique<char[]>(kWriteBufferSize)) {}
  ~BufferedWriter() { (void)Flush(); }
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  // Appends bytes. Fails once any write to the file has failed, with that
  // write's error; the bytes that did not fit are lost, and so is everything
  // after them.
  Result<void> Append(const void* data, std::size_t size);
  // The free room of the buffer, at most `size` bytes and at least one byte
  // when `size` is not 0; it stays valid until the next call on the writer.
  std::span<char> Space(std::size_t size) {
    return {buffer_.get() + used_, std::min(size, kWriteBufferSize - used_)};
  }
  // Appends the first `size` bytes of the room Space gave, after the caller
  // filled them. The result is Append's.
  Result<void> Commit(std::size_t size);
  // Writes what is gathered.
  Result<void> Flush();
  // The first failed write's error, or success.
  const Result<void>& state() const { return state_; }
  bool ok() const { return state_.ok(); }

 private:
  File& file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  Result<void> state_;
};

}  // namespace fennimar
