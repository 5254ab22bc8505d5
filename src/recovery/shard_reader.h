// ShardReader: one row of the code as the recovery files see it, a part's
// data or a recovery file's payload, read in chunks at any offset of the
// shard, with the bytes past the row's own length read as zeros (a part
// shorter than the shard counts as padded with them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "format/part_format.h"
#include "platform/file.h"
#include "platform/system_error.h"

namespace fennimar {

// What the recovery files' encoders and the rebuilder keep in memory for
// their chunks, at most: the chunk size is this divided among the buffers,
// and never more than kMaxRecoveryChunk.
inline constexpr std::size_t kRecoveryMemoryBudget = std::size_t{32} << 20;
inline constexpr std::size_t kMaxRecoveryChunk = std::size_t{1} << 20;
// The chunk size for `buffers` chunks held at once: a multiple of 64 bytes
// (the code's vectors), at least 64.
std::size_t RecoveryChunkSize(int buffers);

class ShardReader {
 public:
  // A part: its header is read and must describe data that the file holds.
  struct Part;
  static Result<Part> OpenPart(const std::string& path);
  // `length` bytes of `path` from `offset` (a recovery file's payload); the
  // file must hold them.
  static Result<ShardReader> OpenRange(const std::string& path, std::int64_t offset,
                                       std::int64_t length);

  std::int64_t length() const { return length_; }
  // Reads `size` bytes of the shard from `offset` into `out`: the row's
  // bytes, then zeros past its length.
  Result<void> Read(std::int64_t offset, std::size_t size, std::uint8_t* out);

 private:
  ShardReader(File file, std::string path, std::int64_t start, std::int64_t length)
      : file_(std::move(file)), path_(std::move(path)), start_(start), length_(length) {}

  File file_;
  std::string path_;
  std::int64_t start_;
  std::int64_t length_;
  std::int64_t position_ = -1;  // the file's offset, -1 when unknown
};

struct ShardReader::Part {
  ShardReader reader;
  PartHeader header;
};

}  // namespace fennimar
