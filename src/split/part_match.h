// PartMatch: whether a part file on disk is, byte for byte, the part a split
// would write now: before a split that goes on mailing from a later part
// trusts the parts an earlier run of it left.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "format/part_format.h"

namespace fennimar {

class File;

// True when the regular part file at `partPath` has the header `expected`
// (source name, length and time, part count and index, data length), the
// length that header gives, a checksum that holds, and data equal to
// `source`'s from `offset`. `source` is left at an unknown offset. `pump` is
// called after every block compared.
bool PartMatches(const std::string& partPath, const PartHeader& expected, File& source,
                 std::int64_t offset, const std::function<void()>& pump);

}  // namespace fennimar
