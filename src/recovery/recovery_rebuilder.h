// Rebuilding lost data parts from the recovery files: which of a set's
// files are sound (CheckRecoveryFile), and the lost parts' data from any k
// sound rows (RebuildParts), chunk by chunk, handed to a sink as it comes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/system_error.h"
#include "recovery/recovery_format.h"

namespace fennimar {

// Reads a recovery file's header and checks its length and its payload's
// CRC: fault kNone for a sound file. A failure to open or read it is the
// Result's error.
Result<RecoveryHeaderRead> CheckRecoveryFile(const std::string& path);

struct RebuildRequest {
  RecoveryHeader set;                      // a sound recovery file's header
  std::vector<std::string> partPaths;      // k entries, empty where a part is lost
  std::vector<std::string> recoveryPaths;  // N entries, empty where a file is unsound
  std::size_t chunkSize = 0;               // 0: RecoveryChunkSize's
  // The sink receives the data of the parts that are there too, as they
  // are read: a join writes the whole file in one pass over the parts.
  bool wholeSet = false;
};

// Receives `data`, the rebuilt bytes of part `part` from `offset` of its data.
using RebuildSink =
    std::function<Result<void>(int part, std::int64_t offset, std::span<const std::uint8_t> data)>;

// Rebuilds every lost part of `request` and hands its data to `sink` in
// chunks, front to back, each part's length as the set's header gives it
// (with wholeSet, every part's, the parts' in any order; with no part lost,
// nothing is read at all).
// The parts that are there must be sound (their checksums and digests
// checked); a lost part's data past what the sink was handed is not known
// until the call returns. More lost parts than sound recovery files is a
// failure before any data is read, as are paths that do not match the
// set's counts; a failed read or a failing sink ends the call with its
// error.
Result<void> RebuildParts(const RebuildRequest& request, const RebuildSink& sink);

}  // namespace fennimar
