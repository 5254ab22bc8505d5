// RecoveryFileWriter: one recovery file as it is written, its payload
// appended in chunks. The file stays under its pending name until Commit
// has written its header with the payload's CRC; a writer that is not
// committed leaves no file under the final name.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/pending_file.h"
#include "platform/system_error.h"
#include "recovery/recovery_format.h"

namespace fennimar {

class RecoveryFileWriter {
 public:
  // Creates `path`'s pending file for `header` (whose payloadCrc is
  // ignored) and places it at the start of the payload.
  static Result<RecoveryFileWriter> Create(const std::string& path, const RecoveryHeader& header);

  // Appends payload bytes; Commit checks that they make shardSize.
  Result<void> Append(std::span<const std::uint8_t> bytes);
  // Writes the header with the payload's CRC and renames the file to its
  // final name.
  Result<void> Commit();

 private:
  RecoveryFileWriter(PendingFile file, const RecoveryHeader& header)
      : file_(std::move(file)), header_(header) {}

  PendingFile file_;
  RecoveryHeader header_;
  std::int64_t written_ = 0;
};

}  // namespace fennimar
