#include "mail/mail_join.h"

#include "mail/received_sets.h"
#include "merge/merge_engine.h"
#include "platform/fs.h"

namespace fennimar {

std::string MissingPartsText(const std::vector<std::string>& missing) {
  std::string names;
  for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
  return missing.size() == 1 ? "Part " + names + " was not found in the mail"
                             : "Parts " + names + " were not found in the mail";
}

MailJoinOutcome JoinFromMail(UserInterface& ui, SettingsStore& settings, DriveQueries& drives,
                             const std::vector<std::string>& sources) {
  auto received = ReceivedSets::Gather(sources);
  if (!received) {
    ui.ShowMessage("Can not create a temporary directory", "Merge", MessageKind::kOkWarning);
    return MailJoinOutcome::kNothingFound;
  }
  for (const std::string& source : received->refused()) {
    ui.ShowMessage("Not a mail message, mailbox, Maildir or part file", source,
                   MessageKind::kOkWarning);
  }
  if (received->sets().empty()) {
    ui.ShowMessage("No part files found in the mail", "Merge", MessageKind::kOkWarning);
    return MailJoinOutcome::kNothingFound;
  }
  bool all = true;
  MergeEngine engine(ui, settings, drives);
  // "~/Maildir/" proposes the directory that holds the Maildir, as
  // "~/Maildir" does.
  std::string from = sources.front();
  while (from.size() > 1 && from.back() == '/') from.pop_back();
  engine.SetReceivedFrom(from);
  for (const ReceivedSet& set : received->sets()) {
    if (!set.complete()) {
      ui.ShowMessage(MissingPartsText(set.missing), "Merge", MessageKind::kOkWarning);
      all = false;
      continue;
    }
    auto status = StatPath(set.firstPart);
    if (engine.Run({set.firstPart, status ? status->size : 0}) != MergeOutcome::kComplete) {
      all = false;
    }
  }
  return all ? MailJoinOutcome::kAllJoined : MailJoinOutcome::kNotAllJoined;
}

}  // namespace fennimar
