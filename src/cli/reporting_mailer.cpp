#include "cli/reporting_mailer.h"

#include "platform/path.h"
#include "ui/user_interface.h"

namespace fennimar {

MailOutcome ReportingMailer::MailPart(UserInterface& owner, const std::string& partPath,
                                      const std::string& mailTo, const std::string& sourceName,
                                      int index, int count,
                                      const std::function<bool()>& keepWaiting) {
  std::string which = "part " + std::to_string(index + 1) + " of " + std::to_string(count);
  owner.SetInfoLine(InfoLine::kStatus, "Mailing " + which + " (" + FileNameOf(partPath) + ")");
  MailOutcome outcome =
      mailer_.MailPart(owner, partPath, mailTo, sourceName, index, count, keepWaiting);
  if (outcome == MailOutcome::kMailed) owner.SetInfoLine(InfoLine::kStatus, "Mailed " + which);
  return outcome;
}

MailOutcome ReportingMailer::MailCompanion(UserInterface& owner, const std::string& path,
                                           const MailedPart& file,
                                           const std::function<bool()>& keepWaiting) {
  owner.SetInfoLine(InfoLine::kStatus, "Mailing " + FileNameOf(path));
  MailOutcome outcome = mailer_.MailCompanion(owner, path, file, keepWaiting);
  if (outcome == MailOutcome::kMailed)
    owner.SetInfoLine(InfoLine::kStatus, "Mailed " + FileNameOf(path));
  return outcome;
}

}  // namespace fennimar
