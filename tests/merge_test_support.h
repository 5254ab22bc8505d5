// Helpers of the merge tests: part sets written straight from the format
// with the header encoder (so that the merge is tested without the split),
// and the scripted drives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scripted_drives.h"
#include "test_support.h"

namespace fennimar::testing {

struct PartSetOptions {
  std::string stem = "REPORT";            // part files are <directory>/<stem>.Znn
  std::string sourceName = "REPORT.DOC";  // stored in every header
  std::int32_t modifiedTime = 1234567890;
  std::size_t dataPerPart = 1000;  // the last part holds the rest
  std::int64_t largeSize = 0;      // when not 0: a large set's headers with this length
};

// Writes the parts of `data` into `directory` and returns their paths.
std::vector<std::string> WritePartSet(const std::string& directory, const Bytes& data,
                                      const PartSetOptions& options = {});

// Rewrites the checksum of a part after its data was changed on purpose.
void FixChecksum(const std::string& partPath);

}  // namespace fennimar::testing
