#include "mail/mail_join.h"

#include <algorithm>

#include "mail/mime_parser.h"
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
      // A missing part that was in the mail, but could not be taken out,
      // says why.
      std::string text = MissingPartsText(set.missing);
      for (const ExtractedPart& part : received->extracted()) {
        bool lost =
            part.outcome == ExtractOutcome::kCutShort || part.outcome == ExtractOutcome::kFailed;
        if (lost && std::find(set.missing.begin(), set.missing.end(),
                              MimeParser::SafeFileName(part.name)) != set.missing.end()) {
          text += "\n" + ExtractResultText(part);
        }
      }
      ui.ShowMessage(text, "Merge", MessageKind::kOkWarning);
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
