// Writing a set's recovery files from its data parts, all at once: the
// parts are read side by side in chunks, and each chunk of the N payloads is
// computed and written before the next is read, so memory stays within
// kRecoveryMemoryBudget whatever the parts' size.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/system_error.h"
#include "recovery/recovery_format.h"

namespace fennimar {

struct RecoveryRequest {
  std::vector<std::string> partPaths;  // the k data parts, part 0 first
  std::string base;                    // the files are <base>.R00, <base>.R01...
  int recoveryCount = 0;               // N, 1 to kMaxRecoveryFiles
  SourceDigest sourceDigest{};         // the source's SHA-256
  std::size_t chunkSize = 0;           // 0: RecoveryChunkSize's
  // Asked before each chunk; false ends the writing (Stop), leaving no file.
  std::function<bool()> keepGoing = nullptr;
};

// Fills `header` (all but the recovery index and the payload's CRC) from the
// parts' headers: count, set, lengths and shard size. Each part must carry
// its index, the count and the set of part 0, and hold its data; a part that
// does not is refused with its path.
Result<void> DescribeParts(const std::vector<std::string>& partPaths, RecoveryHeader& header);

// Writes the N recovery files. The parts must be complete (DescribeParts).
// Each file appears under its name only once it is complete; the files are
// renamed last, one after another, so a failure before that leaves none of
// them, and a failed rename only those renamed before it.
Result<void> WriteRecoveryFiles(const RecoveryRequest& request);

}  // namespace fennimar
