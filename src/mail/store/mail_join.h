// MailJoin: joins the part sets that arrived by mail. The parts are taken out
// of the given messages, mailboxes and Maildirs (and part files given beside
// them) into a private temporary directory (ReceivedSets), every complete
// set is joined by the merge engine, with its dialog, questions and messages,
// and the temporary directory is removed on every way out. The merge dialog
// proposes the settings' merge directory, else the user's download
// directory: never the temporary one, nor the directory that holds the mail.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mail/store/mail_source.h"
#include "platform/drive.h"
#include "settings/settings_store.h"
#include "ui/user_interface.h"

namespace fennimar {

enum class MailJoinOutcome {
  kAllJoined,     // every set found was complete and joined (" Merge Complete")
  kNotAllJoined,  // a set was incomplete (its missing parts named) or its merge did not complete
  kNothingFound,  // no part file in the sources (or no temporary directory); a message said so
  kStopped,       // a stop was asked for; no further set was joined
};

// Runs the join of `sources` (of absolute paths, each classified once where
// it entered). The engine's messages reach
// the user through `ui`. `stopRequested` is asked while the parts are taken
// out and before each set; a merge stopped by the user ends the run too.
MailJoinOutcome JoinFromMail(UserInterface& ui, SettingsStore& settings, DriveQueries& drives,
                             const std::vector<MailSource>& sources,
                             const std::function<bool()>& stopRequested = {});

// "Part REPORT.Z02 was not found in the mail" (or "Parts A.Z01, A.Z02 were
// not found in the mail").
std::string MissingPartsText(const std::vector<std::string>& missing);

}  // namespace fennimar
