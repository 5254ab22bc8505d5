#include "recovery/recovery_file_writer.h"

#include <utility>

namespace fennimar {

Result<RecoveryFileWriter> RecoveryFileWriter::Create(const std::string& path,
                                                      const RecoveryHeader& header) {
  auto pending = PendingFile::Create(path);
  if (!pending) return pending.error();
  RecoveryFileWriter writer(std::move(*pending), header);
  writer.header_.payloadCrc = 0;
  // The header is written again by Commit; until then its CRC is wrong, and
  // a file left behind is known as damaged.
  const RecoveryHeaderBytes bytes = EncodeRecoveryHeader(writer.header_);
  if (auto wrote = writer.file_.file().Write(bytes.data(), bytes.size()); !wrote) {
    return wrote.error();
  }
  return writer;
}

Result<void> RecoveryFileWriter::Append(std::span<const std::uint8_t> bytes) {
  header_.payloadCrc = ExtendCrc32(header_.payloadCrc, bytes);
  written_ += static_cast<std::int64_t>(bytes.size());
  return file_.file().Write(bytes.data(), bytes.size());
}

Result<void> RecoveryFileWriter::Commit() {
  if (written_ != header_.shardSize) {
    return SystemError::WithReason("cannot write " + file_.finalPath(),
                                   "its recovery data is incomplete");
  }
  const RecoveryHeaderBytes bytes = EncodeRecoveryHeader(header_);
  File& file = file_.file();
  if (auto seek = file.Seek(0); !seek) return seek.error();
  if (auto wrote = file.Write(bytes.data(), bytes.size()); !wrote) return wrote.error();
  return file_.Commit();
}

}  // namespace fennimar
