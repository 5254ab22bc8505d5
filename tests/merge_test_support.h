// Helpers of the merge tests: part sets written straight from the format
// with the header encoder (so that the merge is tested without the split),
// and drive answers from a script.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "test_support.h"

namespace fennimar::testing {

// Drive queries answered from the test: fixed disks unless `kind` says
// otherwise. `kind` may also play the user who inserts a disk.
class MergeDrives : public DriveQueries {
 public:
  std::function<DriveKind(const std::string&)> kind;
  std::vector<std::string> asked;  // the paths whose kind was asked
  std::uint64_t freeSpace = 1u << 30;
  std::uint64_t largestFile = kNoFileSizeLimit;

  DriveKind GetDriveKind(const std::string& path) override {
    asked.push_back(path);
    return kind ? kind(path) : DriveKind::kFixed;
  }
  std::uint64_t GetFreeSpace(const std::string&) override { return freeSpace; }
  std::uint64_t GetLargestFile(const std::string&) override { return largestFile; }
  std::string RootOf(const std::string& path) override { return path; }
};

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
