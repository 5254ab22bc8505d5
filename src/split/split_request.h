// SplitRequest: what the split dialog hands to the split engine on OK.
#pragma once

#include <cstdint>
#include <string>

namespace fennimar {

struct SplitRequest {
  std::string targetDirectory;  // at most 99 characters
  std::int64_t chunkSize = 0;   // bytes per part file, header included
  bool fillToCapacity = false;  // size parts by each removable disk's free space
  std::string mailTo;           // empty: the parts are not mailed
};

}  // namespace fennimar
