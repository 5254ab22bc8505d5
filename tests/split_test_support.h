// The scripted drives and a recording mailer for split tests.
#pragma once

#include <string>
#include <vector>

#include "scripted_drives.h"
#include "split/part_mailer.h"

namespace fennimar::testing {

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
  std::vector<std::string> companions;  // the paths of the files after the parts

  MailOutcome MailPart(UserInterface&, const std::string& partPath, const std::string& mailTo,
                       const std::string& sourceName, int index, int count,
                       const std::function<bool()>& keepWaiting) override {
    calls.push_back({partPath, mailTo, sourceName, index, count});
    for (int slice = 0; index == waitAtIndex && slice < 100; ++slice) {
      if (!keepWaiting()) return MailOutcome::kStopped;
    }
    return index == failAtIndex ? MailOutcome::kFailed : MailOutcome::kMailed;
  }
  MailOutcome MailCompanion(UserInterface&, const std::string& path, const MailedPart&,
                            const std::function<bool()>&) override {
    companions.push_back(path);
    return MailOutcome::kMailed;
  }
};

}  // namespace fennimar::testing
