#include "recovery/recovery_rebuilder.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/file.h"
#include "recovery/recovery_code.h"
#include "recovery/shard_reader.h"

namespace fennimar {

Result<RecoveryHeaderRead> CheckRecoveryFile(const std::string& path) {
  auto file = File::OpenRead(path);
  if (!file) return file.error();
  RecoveryHeaderBytes bytes{};
  auto got = file->Read(bytes.data(), bytes.size());
  if (!got) return got.error();
  RecoveryHeaderRead read = DecodeRecoveryHeader(std::span(bytes.data(), *got));
  if (read.fault != RecoveryFault::kNone) return read;
  auto size = file->Size();
  if (!size) return size.error();
  if (*size != static_cast<std::int64_t>(kRecoveryHeaderSize) + read.header.shardSize) {
    read.fault = RecoveryFault::kWrongLength;
    return read;
  }
  std::vector<std::uint8_t> buffer(kMaxRecoveryChunk);
  std::uint32_t crc = 0;
  for (std::int64_t left = read.header.shardSize; left > 0;) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
    auto chunk = file->Read(buffer.data(), want);
    if (!chunk) return chunk.error();
    if (*chunk != want) {
      read.fault = RecoveryFault::kWrongLength;
      return read;
    }
    crc = ExtendCrc32(crc, std::span(buffer.data(), want));
    left -= static_cast<std::int64_t>(want);
  }
  if (crc != read.header.payloadCrc) read.fault = RecoveryFault::kPayloadDamaged;
  return read;
}

namespace {

SystemError CannotRebuild(std::string reason) {
  return SystemError::WithReason("cannot rebuild the missing parts", std::move(reason));
}

// The rows the rebuild reads: every part that is there, then as many sound
// recovery files as parts are lost.
struct Plan {
  std::vector<int> lost;
  std::vector<int> rows;
  std::vector<ShardReader> readers;
};

Result<Plan> PlanRebuild(const RebuildRequest& request) {
  const RecoveryHeader& set = request.set;
  const int k = set.dataPartCount;
  if (static_cast<int>(request.partPaths.size()) != k ||
      static_cast<int>(request.recoveryPaths.size()) != set.recoveryCount) {
    return CannotRebuild("the files do not match the set");
  }
  Plan plan;
  for (int i = 0; i < k; ++i) {
    if (request.partPaths[static_cast<std::size_t>(i)].empty()) plan.lost.push_back(i);
  }
  const auto sound = std::count_if(request.recoveryPaths.begin(), request.recoveryPaths.end(),
                                   [](const std::string& path) { return !path.empty(); });
  if (static_cast<std::size_t>(sound) < plan.lost.size()) {
    return CannotRebuild(std::to_string(plan.lost.size()) + " parts are missing or damaged, and " +
                         std::to_string(sound) + " recovery files are sound");
  }
  for (int i = 0; i < k; ++i) {
    const std::string& path = request.partPaths[static_cast<std::size_t>(i)];
    if (path.empty()) continue;
    auto part = ShardReader::OpenPart(path);
    if (!part) return part.error();
    if (part->header.dataLength !=
        static_cast<std::int64_t>(set.dataLengths[static_cast<std::size_t>(i)])) {
      return SystemError::WithReason("cannot use the part " + path,
                                     "its length is not the one the recovery files give it");
    }
    plan.rows.push_back(i);
    plan.readers.push_back(std::move(part->reader));
  }
  for (int r = 0; r < set.recoveryCount && plan.rows.size() < static_cast<std::size_t>(k); ++r) {
    const std::string& path = request.recoveryPaths[static_cast<std::size_t>(r)];
    if (path.empty()) continue;
    auto payload =
        ShardReader::OpenRange(path, static_cast<std::int64_t>(kRecoveryHeaderSize), set.shardSize);
    if (!payload) return payload.error();
    plan.rows.push_back(k + r);
    plan.readers.push_back(std::move(*payload));
  }
  return plan;
}

// Hands part `part`'s bytes of a chunk to the sink, the zero padding left
// out.
Result<void> Sink(const RecoveryHeader& set, int part, std::int64_t offset, std::size_t length,
                  const std::uint8_t* chunk, const RebuildSink& sink) {
  const std::int64_t partLength = set.dataLengths[static_cast<std::size_t>(part)];
  const std::int64_t own =
      std::min<std::int64_t>(static_cast<std::int64_t>(length), partLength - offset);
  if (own <= 0) return {};
  return sink(part, offset, std::span(chunk, static_cast<std::size_t>(own)));
}

}  // namespace

Result<void> RebuildParts(const RebuildRequest& request, const RebuildSink& sink) {
  auto plan = PlanRebuild(request);
  if (!plan) return plan.error();
  if (plan->lost.empty()) return {};
  const RecoveryHeader& set = request.set;
  const RecoveryCode code(set.dataPartCount, set.recoveryCount);
  const auto rebuild = code.RebuildFrom(plan->rows, plan->lost);
  if (!rebuild) return CannotRebuild("the recovery files do not match the set");

  const std::size_t rows = plan->rows.size() + plan->lost.size();
  const std::size_t chunk =
      request.chunkSize ? request.chunkSize : RecoveryChunkSize(static_cast<int>(rows));
  auto buffer = std::make_unique<std::uint8_t[]>(rows * chunk);
  std::vector<std::uint8_t*> sources;
  std::vector<std::uint8_t*> lost;
  for (std::size_t i = 0; i < rows; ++i) {
    (i < plan->rows.size() ? sources : lost).push_back(buffer.get() + i * chunk);
  }
  for (std::int64_t offset = 0; offset < set.shardSize;) {
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk), set.shardSize - offset));
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (auto read = plan->readers[i].Read(offset, length, sources[i]); !read) return read;
    }
    RecoveryCode::Apply(*rebuild, length, sources, lost);
    for (std::size_t j = 0; j < lost.size(); ++j) {
      if (auto sunk = Sink(set, plan->lost[j], offset, length, lost[j], sink); !sunk) return sunk;
    }
    for (std::size_t i = 0; request.wholeSet && i < sources.size(); ++i) {
      const int row = plan->rows[i];
      if (row >= set.dataPartCount) break;
      if (auto sunk = Sink(set, row, offset, length, sources[i], sink); !sunk) return sunk;
    }
    offset += static_cast<std::int64_t>(length);
  }
  return {};
}

}  // namespace fennimar
