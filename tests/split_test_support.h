// Scripted drives and mailer for split tests.
#pragma once

#include <string>
#include <vector>

#include "platform/drive.h"
#include "split/part_mailer.h"

namespace fennimar::testing {

// Answers the drive queries from settings of the test: a drive kind, free
// bytes (fixed, or one value per query), the largest file, and a root.
class ScriptedDrives : public DriveQueries {
 public:
  DriveKind kind = DriveKind::kFixed;
  std::uint64_t freeSpace = std::uint64_t{1} << 40;
  std::vector<std::uint64_t> freeSpaceSequence;  // used first, one per query
  std::string root;
  std::uint64_t largestFile = kNoFileSizeLimit;

  DriveKind GetDriveKind(const std::string&) override { return kind; }
  std::uint64_t GetFreeSpace(const std::string&) override {
    if (!freeSpaceSequence.empty()) {
      std::uint64_t next = freeSpaceSequence.front();
      freeSpaceSequence.erase(freeSpaceSequence.begin());
      return next;
    }
    return freeSpace;
  }
  std::uint64_t GetLargestFile(const std::string&) override { return largestFile; }
  std::string RootOf(const std::string& path) override { return root.empty() ? path : root; }
};

// Records every call; fails at a chosen part index, or waits there for a
// slow server until the user stops it.
class RecordingMailer : public PartMailer {
 public:
  struct Call {
    std::string partPath, mailTo, sourceName;
    int index, count;
  };
  int failAtIndex = -1;
  int waitAtIndex = -1;
  std::vector<Call> calls;

  MailOutcome MailPart(UserInterface&, const std::string& partPath, const std::string& mailTo,
                       const std::string& sourceName, int index, int count,
                       const std::function<bool()>& keepWaiting) override {
    calls.push_back({partPath, mailTo, sourceName, index, count});
    for (int slice = 0; index == waitAtIndex && slice < 100; ++slice) {
      if (!keepWaiting()) return MailOutcome::kStopped;
    }
    return index == failAtIndex ? MailOutcome::kFailed : MailOutcome::kMailed;
  }
};

}  // namespace fennimar::testing
