#include "recovery/shard_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace fennimar {

std::size_t RecoveryChunkSize(int buffers) {
  constexpr std::size_t kVector = 64;
  const std::size_t share = kRecoveryMemoryBudget / static_cast<std::size_t>(std::max(buffers, 1));
  return std::max(kVector, std::min(share, kMaxRecoveryChunk) / kVector * kVector);
}

Result<ShardReader::Part> ShardReader::OpenPart(const std::string& path) {
  auto file = File::OpenRead(path);
  if (!file) return file.error();
  HeaderBytes bytes;
  auto size = file->Size();
  if (!size) return size.error();
  if (!file->ReadAll(bytes.data(), bytes.size())) {
    return SystemError::WithReason("cannot read the part " + path, "it has no complete header");
  }
  PartHeader header = DecodeHeader(bytes);
  if (header.dataLength < 0 || *size < static_cast<std::int64_t>(kHeaderSize) + header.dataLength) {
    return SystemError::WithReason("cannot read the part " + path,
                                   "it is shorter than its header says");
  }
  ShardReader reader(std::move(*file), path, static_cast<std::int64_t>(kHeaderSize),
                     header.dataLength);
  reader.position_ = static_cast<std::int64_t>(kHeaderSize);
  return Part{std::move(reader), header};
}

Result<ShardReader> ShardReader::OpenRange(const std::string& path, std::int64_t offset,
                                           std::int64_t length) {
  auto file = File::OpenRead(path);
  if (!file) return file.error();
  auto size = file->Size();
  if (!size) return size.error();
  if (*size < offset + length) {
    return SystemError::WithReason("cannot read " + path, "it is shorter than its header says");
  }
  return ShardReader(std::move(*file), path, offset, length);
}

Result<void> ShardReader::Read(std::int64_t offset, std::size_t size, std::uint8_t* out) {
  const std::int64_t available =
      std::clamp<std::int64_t>(length_ - offset, 0, static_cast<std::int64_t>(size));
  const auto have = static_cast<std::size_t>(available);
  if (have > 0) {
    // The rows are read front to back in chunks: a seek only where the
    // last read did not end.
    if (position_ != start_ + offset) {
      if (auto seek = file_.Seek(start_ + offset); !seek) return seek.error();
    }
    auto got = file_.Read(out, have);
    if (!got) return got.error();
    if (*got != have) {
      position_ = -1;
      return SystemError::WithReason("cannot read " + path_, "it became shorter while it was read");
    }
    position_ = start_ + offset + available;
  }
  std::memset(out + have, 0, size - have);
  return {};
}

}  // namespace fennimar
