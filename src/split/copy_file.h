// CopyFileInBlocks: copies a file in blocks of kCopyFileBlockSize bytes; used
// to put the companion joiner onto a removable disk.
#pragma once

#include <cstddef>
#include <string>

#include "platform/system_error.h"

namespace fennimar {

inline constexpr std::size_t kCopyFileBlockSize = 5000;

// Copies `source` to `destination` (replaced once the copy is whole), with the source's
// permission bits, and gives the copy the source's modification time as
// access and modification time. An incomplete copy is deleted.
Result<void> CopyFileInBlocks(const std::string& source, const std::string& destination);

}  // namespace fennimar
