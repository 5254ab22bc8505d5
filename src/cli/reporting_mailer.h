// ReportingMailer: a PartMailer that tells on the information lines which
// part goes out and which has gone, so that a log without a terminal shows
// where a slow server keeps the run.
#pragma once

#include <functional>
#include <string>

#include "split/part_mailer.h"

namespace fennimar {

class ReportingMailer : public PartMailer {
 public:
  // `mailer` sends the parts; it must outlive this one.
  explicit ReportingMailer(PartMailer& mailer) : mailer_(mailer) {}

  bool CanMail(UserInterface& owner) override { return mailer_.CanMail(owner); }
  ServerLimit AskSizeLimit(UserInterface& owner,
                           const std::function<bool()>& keepWaiting) override {
    return mailer_.AskSizeLimit(owner, keepWaiting);
  }
  std::optional<std::uint64_t> MessageSize(const MailedPart& part) override {
    return mailer_.MessageSize(part);
  }
  // "Mailing part 3 of 7 (REPORT.Z02)" before, "Mailed part 3 of 7" after a
  // part that went out.
  MailOutcome MailPart(UserInterface& owner, const std::string& partPath, const std::string& mailTo,
                       const std::string& sourceName, int index, int count,
                       const std::function<bool()>& keepWaiting) override;
  // "Mailing REPORT.R00" before, "Mailed REPORT.R00" after a file that went
  // out.
  MailOutcome MailCompanion(UserInterface& owner, const std::string& path, const MailedPart& file,
                            const std::function<bool()>& keepWaiting) override;

 private:
  PartMailer& mailer_;
};

}  // namespace fennimar
