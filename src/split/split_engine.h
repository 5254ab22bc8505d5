// SplitEngine: the split command. It asks for the split's parameters
// (SplitForm), writes the part set into the target directory, asks for a
// fresh disk before every part and every recovery file when the target lies
// on a removable drive, hands every verified part to the mailer when asked
// to, and shows progress while pumping the window's events after every block.
//
// Every outcome reaches the user as a message box or as the status line,
// but a cancelled dialog, which changes nothing, not even the status line;
// the returned outcome lets a terminal front end set its exit status.
//
// Each part is written under a temporary name beside its final one (a
// PendingFile) and renamed into place only when it is complete and its length
// is verified, so a symbolic link or another run's file under a part's name
// is replaced, never written through, and a part that was being written when
// the split ended (Stop, a failure, the program killed) never appears under a
// part's name. Parts completed before an ending stay on disk. The source is
// never one of the outputs: a split whose part would replace the source is
// refused before anything is written. The run holds the target directory's
// DirectoryLock while it writes, so a second run into the same directory ends
// with a message.
//
// A source that cannot be read is told before the dialog, which may create
// the target directory. Before a part replaces a regular file that is not a
// part of this same set (PartOccupant), the user is asked, No the default and
// the answer without a terminal: before anything is written, or on removable
// drives before each part once its disk is in. On Yes the other file's parts
// beyond the new set's last index go too; a re-split of the same file into
// fewer parts deletes its old higher parts once the new set is complete.
//
// A split that mails asks the server for its size limit before anything is
// written, and refuses a part size whose messages would be larger, naming
// the largest part size that fits; parts sized by the server's limit take
// that size. A mailing that fails at a part stops after it; mailResume() then
// holds what mails that part and the later ones only, once the parts already
// on disk have been found to be this split's own.
#pragma once

#include <optional>

#include "split/split_request.h"
#include "ui/selection.h"

namespace fennimar {

class DriveQueries;
class PartMailer;
class SettingsStore;
class UserInterface;

// How a split ended.
enum class SplitOutcome {
  kComplete,    // " Complete": every part written
  kMailed,      // " Mailed": every part written and mailed
  kMailFailed,  // " Mail failed": parts up to the failed one written
  kCancelled,   // the user declined (dialog, disk prompt, a question)
  kStopped,     // Stop confirmed; " Aborted"
  kFailed,      // a message said why
};

// What finishes a mailing split that ended at a part the server did not
// take: the request as it ran (chunkSize as found, mailFrom the index of the
// part that was not mailed) and the number of parts of the set.
struct MailResume {
  SplitRequest request;
  int partCount = 0;
};

class SplitEngine {
 public:
  // `mailer` may be null when this front end cannot mail; the objects must
  // outlive the engine.
  SplitEngine(UserInterface& ui, SettingsStore& settings, DriveQueries& drives, PartMailer* mailer)
      : ui_(ui), settings_(settings), drives_(drives), mailer_(mailer) {}

  // One run of the split command on the selected file. `mailFrom` is the
  // index of the first part to mail (see SplitRequest::mailFrom).
  SplitOutcome Run(const Selection& selection, int mailFrom = 0);
  // After a run that ended kMailFailed at a part: what resumes it.
  const std::optional<MailResume>& mailResume() const { return mailResume_; }
  // When set, a mailing that fails at a part asks "Send the parts that were
  // not mailed?" and on Yes runs again without the dialog: the parts on disk
  // must be this split's, missing ones are written, and the part that failed
  // and those after it are mailed; for as long as the user says Yes.
  void OfferMailResume(bool offer) { offerMailResume_ = offer; }

 private:
  // Runs `request` (and, when offered and accepted, its resumptions).
  SplitOutcome Start(const Selection& selection, SplitRequest request);

  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  PartMailer* mailer_;
  std::optional<MailResume> mailResume_;
  bool offerMailResume_ = false;
};

}  // namespace fennimar
