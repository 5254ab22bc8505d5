// ScriptedDrives: the drive queries of the split and the merge answered from
// the test's script instead of the system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/drive.h"

namespace fennimar::testing {

// A fixed disk with a terabyte free unless the test says otherwise: a drive
// kind (or a function of the path, which may also play the user who inserts
// a disk), free bytes (fixed, or one value per query), the largest file,
// and a root (the path itself when empty).
class ScriptedDrives : public DriveQueries {
 public:
  DriveKind kind = DriveKind::kFixed;
  std::function<DriveKind(const std::string&)> kindOf;  // answers instead of `kind` when set
  std::vector<std::string> asked;                       // the paths whose kind was asked
  std::uint64_t freeSpace = std::uint64_t{1} << 40;
  std::vector<std::uint64_t> freeSpaceSequence;  // used first, one per query
  std::uint64_t largestFile = kNoFileSizeLimit;
  std::string root;

  DriveKind GetDriveKind(const std::string& path) override {
    asked.push_back(path);
    return kindOf ? kindOf(path) : kind;
  }
  std::uint64_t GetAvailableSpace(const std::string&) override {
    if (freeSpaceSequence.empty()) return freeSpace;
    std::uint64_t next = freeSpaceSequence.front();
    freeSpaceSequence.erase(freeSpaceSequence.begin());
    return next;
  }
  std::uint64_t GetLargestFile(const std::string&) override { return largestFile; }
  std::string RootOf(const std::string& path) override { return root.empty() ? path : root; }
};

}  // namespace fennimar::testing
