#include "recovery/recovery_encoder.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "recovery/recovery_code.h"
#include "recovery/recovery_file_writer.h"
#include "recovery/shard_reader.h"

namespace fennimar {

namespace {

SystemError NotOfTheSet(const std::string& path) {
  return SystemError::WithReason("cannot use the part " + path, "it is not a part of this set");
}

// Chunk buffers, one per row, in one allocation.
struct ChunkBuffers {
  ChunkBuffers(std::size_t rows, std::size_t chunk)
      : bytes(std::make_unique<std::uint8_t[]>(rows * chunk)), pointers(rows) {
    for (std::size_t i = 0; i < rows; ++i) pointers[i] = bytes.get() + i * chunk;
  }
  std::unique_ptr<std::uint8_t[]> bytes;
  std::vector<std::uint8_t*> pointers;
};

}  // namespace

Result<void> DescribeParts(const std::vector<std::string>& partPaths, RecoveryHeader& header) {
  const auto count = static_cast<int>(partPaths.size());
  if (count < 1 || count > kMaxParts) {
    return SystemError::WithReason("cannot write the recovery files", "the set has no parts");
  }
  header.dataPartCount = count;
  header.shardSize = 0;
  header.dataLengths = {};
  PartHeader first;
  for (int i = 0; i < count; ++i) {
    const std::string& path = partPaths[static_cast<std::size_t>(i)];
    auto part = ShardReader::OpenPart(path);
    if (!part) return part.error();
    const PartHeader& header_i = part->header;
    if (i == 0) first = header_i;
    if (header_i.partCount != count || header_i.partIndex != i ||
        header_i.SourceName() != first.SourceName() || header_i.totalSize != first.totalSize ||
        header_i.modifiedTime != first.modifiedTime ||
        header_i.SourceSize() != first.SourceSize()) {
      return NotOfTheSet(path);
    }
    header.dataLengths[static_cast<std::size_t>(i)] =
        static_cast<std::uint32_t>(header_i.dataLength);
    header.shardSize = std::max<std::int64_t>(header.shardSize, header_i.dataLength);
  }
  header.SetIdentityFrom(first);
  return {};
}

Result<void> WriteRecoveryFiles(const RecoveryRequest& request) {
  RecoveryHeader header;
  if (auto described = DescribeParts(request.partPaths, header); !described) return described;
  if (request.recoveryCount < 1 || request.recoveryCount > kMaxRecoveryFiles) {
    return SystemError::WithReason(
        "cannot write the recovery files",
        "a set has 1 to " + std::to_string(kMaxRecoveryFiles) + " of them");
  }
  header.recoveryCount = request.recoveryCount;
  header.sourceDigest = request.sourceDigest;
  const int k = header.dataPartCount;
  const int n = request.recoveryCount;

  std::vector<ShardReader> parts;
  for (const std::string& path : request.partPaths) {
    auto part = ShardReader::OpenPart(path);
    if (!part) return part.error();
    parts.push_back(std::move(part->reader));
  }
  std::vector<RecoveryFileWriter> writers;
  for (int r = 0; r < n; ++r) {
    header.recoveryIndex = r;
    auto writer = RecoveryFileWriter::Create(RecoveryPathFromBase(request.base, r), header);
    if (!writer) return writer.error();
    writers.push_back(std::move(*writer));
  }

  const RecoveryCode code(k, n);
  const std::size_t chunk = request.chunkSize ? request.chunkSize : RecoveryChunkSize(k + n);
  ChunkBuffers data(static_cast<std::size_t>(k), chunk);
  ChunkBuffers recovery(static_cast<std::size_t>(n), chunk);
  for (std::int64_t offset = 0; offset < header.shardSize;) {
    if (request.keepGoing && !request.keepGoing()) {
      return SystemError::WithReason("cannot write the recovery files", "stopped");
    }
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk), header.shardSize - offset));
    for (int i = 0; i < k; ++i) {
      const auto row = static_cast<std::size_t>(i);
      if (auto read = parts[row].Read(offset, length, data.pointers[row]); !read) return read;
    }
    code.Encode(length, data.pointers, recovery.pointers);
    for (int r = 0; r < n; ++r) {
      const auto row = static_cast<std::size_t>(r);
      auto wrote = writers[row].Append(std::span(recovery.pointers[row], length));
      if (!wrote) return wrote;
    }
    offset += static_cast<std::int64_t>(length);
  }
  for (RecoveryFileWriter& writer : writers) {
    if (auto committed = writer.Commit(); !committed) return committed;
  }
  return {};
}

}  // namespace fennimar
