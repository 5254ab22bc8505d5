#include "recovery/incremental_encoder.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "recovery/shard_reader.h"

namespace fennimar {

Result<IncrementalEncoder> IncrementalEncoder::Create(int dataCount, int recoveryCount,
                                                      std::int64_t shardSize,
                                                      std::size_t chunkSize) {
  if (dataCount < 1 || dataCount > kMaxParts || recoveryCount < 1 ||
      recoveryCount > kMaxRecoveryFiles || shardSize < 0 || shardSize > kMaxPartData) {
    return SystemError::WithReason("cannot compute the recovery files",
                                   "the set is not one a split makes");
  }
  auto temp = TempFile::Create("fennimar-recovery-");
  if (!temp) return temp.error();
  auto file = File::OpenUpdate(temp->Path());
  if (!file) return file.error();
  const std::size_t chunk = chunkSize ? chunkSize : RecoveryChunkSize(recoveryCount + 1);
  IncrementalEncoder encoder(std::move(*temp), std::move(*file),
                             RecoveryCode(dataCount, recoveryCount), shardSize, chunk);
  encoder.set_.dataPartCount = dataCount;
  encoder.set_.recoveryCount = recoveryCount;
  encoder.set_.shardSize = shardSize;
  encoder.added_.assign(static_cast<std::size_t>(dataCount), false);
  return encoder;
}

bool IncrementalEncoder::Complete() const {
  return std::all_of(added_.begin(), added_.end(), [](bool added) { return added; });
}

Result<void> IncrementalEncoder::AddPart(const std::string& partPath) {
  auto part = ShardReader::OpenPart(partPath);
  if (!part) return part.error();
  const PartHeader& header = part->header;
  const int index = header.partIndex;
  RecoveryHeader described;
  described.SetIdentityFrom(header);
  const bool first = std::none_of(added_.begin(), added_.end(), [](bool added) { return added; });
  if (header.partCount != code_.dataCount() || index >= code_.dataCount() ||
      added_[static_cast<std::size_t>(index)] || header.dataLength > shardSize_ ||
      (!first && described.setIdentity != set_.setIdentity)) {
    return SystemError::WithReason("cannot use the part " + partPath,
                                   "it is not a part of this set, or was added before");
  }
  if (first) set_.setIdentity = described.setIdentity;

  std::vector<std::uint8_t> data(chunk_);
  std::vector<std::uint8_t> recovery(chunk_ * static_cast<std::size_t>(code_.recoveryCount()));
  // Only the part's own bytes change the payloads: its zero padding adds
  // nothing.
  for (std::int64_t offset = 0; offset < header.dataLength;) {
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk_), header.dataLength - offset));
    if (auto going = KeepGoing(); !going) return going;
    if (auto read = part->reader.Read(offset, length, data.data()); !read) return read;
    if (auto added = AddChunk(index, offset, length, data.data(), recovery); !added) return added;
    offset += static_cast<std::int64_t>(length);
  }
  added_[static_cast<std::size_t>(index)] = true;
  set_.dataLengths[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(header.dataLength);
  return {};
}

Result<void> IncrementalEncoder::AddChunk(int index, std::int64_t offset, std::size_t length,
                                          std::uint8_t* data, std::vector<std::uint8_t>& recovery) {
  const int n = code_.recoveryCount();
  std::vector<std::uint8_t*> rows(static_cast<std::size_t>(n));
  for (int r = 0; r < n; ++r) {
    std::uint8_t* row = recovery.data() + static_cast<std::size_t>(r) * chunk_;
    rows[static_cast<std::size_t>(r)] = row;
    const std::int64_t at = r * shardSize_ + offset;
    // Bytes past the temporary file's end are zeros not yet written.
    const auto have = static_cast<std::size_t>(
        std::clamp<std::int64_t>(written_ - at, 0, static_cast<std::int64_t>(length)));
    if (have > 0) {
      if (auto seek = file_.Seek(at); !seek) return seek.error();
      if (!file_.ReadAll(row, have)) {
        return SystemError::WithReason("cannot read " + temp_.Path(), "it became shorter");
      }
    }
    std::memset(row + have, 0, length - have);
  }
  code_.Add(length, index, data, rows);
  for (int r = 0; r < n; ++r) {
    const std::int64_t at = r * shardSize_ + offset;
    if (auto seek = file_.Seek(at); !seek) return seek.error();
    if (auto wrote = file_.Write(rows[static_cast<std::size_t>(r)], length); !wrote) return wrote;
    written_ = std::max(written_, at + static_cast<std::int64_t>(length));
  }
  return {};
}

Result<void> IncrementalEncoder::KeepGoing() const {
  if (keepGoing_ && !keepGoing_()) {
    return SystemError::WithReason("cannot compute the recovery files", "stopped");
  }
  return {};
}

RecoveryHeader IncrementalEncoder::FileHeader(const SourceDigest& sourceDigest) const {
  RecoveryHeader header = set_;
  header.sourceDigest = sourceDigest;
  // The shard is the largest part, which the split's part size may exceed.
  header.shardSize = *std::max_element(header.dataLengths.begin(), header.dataLengths.end());
  return header;
}

std::int64_t IncrementalEncoder::FileSize() const {
  return static_cast<std::int64_t>(kRecoveryHeaderSize) + FileHeader({}).shardSize;
}

Result<RecoveryFileWriter> IncrementalEncoder::WritePayload(const std::string& base,
                                                            RecoveryHeader header, int index) {
  header.recoveryIndex = index;
  auto writer = RecoveryFileWriter::Create(RecoveryPathFromBase(base, index), header);
  if (!writer) return writer.error();
  std::vector<std::uint8_t> buffer(chunk_);
  for (std::int64_t offset = 0; offset < header.shardSize;) {
    if (auto going = KeepGoing(); !going) return going.error();
    const std::int64_t at = index * shardSize_ + offset;
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk_), header.shardSize - offset));
    const auto have = static_cast<std::size_t>(
        std::clamp<std::int64_t>(written_ - at, 0, static_cast<std::int64_t>(length)));
    if (auto seek = file_.Seek(at); !seek) return seek.error();
    if (have > 0 && !file_.ReadAll(buffer.data(), have)) {
      return SystemError::WithReason("cannot read " + temp_.Path(), "it became shorter");
    }
    std::memset(buffer.data() + have, 0, length - have);
    if (auto wrote = writer->Append(std::span(buffer.data(), length)); !wrote) return wrote.error();
    offset += static_cast<std::int64_t>(length);
  }
  return writer;
}

Result<void> IncrementalEncoder::WriteFiles(const std::string& base,
                                            const SourceDigest& sourceDigest) {
  if (!Complete()) {
    return SystemError::WithReason("cannot write the recovery files", "parts are missing");
  }
  const RecoveryHeader header = FileHeader(sourceDigest);
  std::vector<RecoveryFileWriter> writers;
  for (int r = 0; r < code_.recoveryCount(); ++r) {
    auto writer = WritePayload(base, header, r);
    if (!writer) return writer.error();
    writers.push_back(std::move(*writer));
  }
  for (RecoveryFileWriter& writer : writers) {
    if (auto committed = writer.Commit(); !committed) return committed;
  }
  return {};
}

Result<void> IncrementalEncoder::WriteFile(const std::string& base, int index,
                                           const SourceDigest& sourceDigest) {
  if (!Complete()) {
    return SystemError::WithReason("cannot write the recovery files", "parts are missing");
  }
  if (index < 0 || index >= code_.recoveryCount()) {
    return SystemError::WithReason("cannot write the recovery files", "the set has no such file");
  }
  auto writer = WritePayload(base, FileHeader(sourceDigest), index);
  if (!writer) return writer.error();
  return writer->Commit();
}

}  // namespace fennimar
