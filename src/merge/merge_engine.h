// MergeEngine: rebuilds a file from the numbered part files it was split into.
//
// One run is one synchronous merge on the caller's thread, from the merge
// dialog to the last message. The run always starts from part 00, whichever
// part is selected: the parts are "<base>.Z00", "<base>.Z01", ... where the
// base is the selected path cut at the first "." of its file name. Part 00
// must say it is part 0 of 1 to 100 parts, and gives the count, the name,
// the modification time and the size of the file that was split; every later
// part must carry its own index and the same name, time and size, every
// part's data must fit its file, and the slices must add up to the size
// exactly. A set that fails any of these is "Invalid Component File", named
// by the part, before anything is created or after nothing was kept. The data is
// copied in blocks of at most kCopyBlockSize bytes through one buffer, with
// the progress dialog updated and the interface pumped after every block, so
// peak memory does not grow with the set.
//
// Every outcome is told to the user through the UserInterface (message boxes
// with fixed texts, the information lines, " Merge Complete" in the status
// line); the returned outcome lets a terminal front end set its exit status.
// The target is written only inside the merge directory, under the plain
// name that part 00 stores (SafeFileName); a name that starts with a dot is
// created or replaced only on the person's own answer (kYesNoOwnAnswer).
// Only regular files are read as parts.
//
// Nothing under the target's name changes until the merge has succeeded: the
// result is written as a PendingFile beside it and renamed over the target
// only after the last part's checksum and the final size check, or after
// checksum errors under an ON_CHKSUM_ERR value other than "ABORT" (the user
// keeps the damaged result). On every other way out (a failure, Cancel, Stop,
// the program killed) an existing target stays byte for byte as it was; a
// symbolic link there is replaced by the result, never followed. The run
// holds the merge directory's DirectoryLock from before the "Target File
// exists overwrite?" question to its end, so a second run into the same
// directory ends with a message instead of racing it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/drive.h"
#include "settings/setting_values.h"
#include "settings/settings_store.h"
#include "ui/selection.h"
#include "ui/user_interface.h"

namespace fennimar {

enum class MergeOutcome {
  kComplete,        // " Merge Complete": the target is the joined file
  kCancelled,       // the user declined before anything was written
  kFailed,          // a message said why; the target is as listed above
  kStopped,         // Stop confirmed; " Aborted", the target kept as written
  kChecksumErrors,  // checksum errors; target kept or deleted by the setting
};

class MergeEngine {
 public:
  // The engine borrows all three for its lifetime.
  MergeEngine(UserInterface& ui, SettingsStore& settings, DriveQueries& drives)
      : ui_(ui), settings_(settings), drives_(drives) {}

  // What to do after checksum errors instead of reading ON_CHKSUM_ERR. For
  // front ends without a settings file.
  void SetChecksumErrorAction(settings::ChecksumErrorAction action) {
    checksumErrorAction_ = action;
  }

  // For parts taken out of mail into a temporary directory: the merge dialog
  // proposes `directory` (unless the settings name one), never the
  // temporary one nor where the mail lies, and the temporary path, which the
  // user did not choose, is not held to the length of a selected path.
  void SetReceivedFromMail(std::string directory) { proposedDirectory_ = std::move(directory); }

  // How a part is named in messages, given its path: for parts taken out of
  // mail, the attachment and the message it came from rather than a
  // temporary path. Without it, the path.
  using PartLabel = std::function<std::string(const std::string& path)>;
  void SetPartLabel(PartLabel label) { partLabel_ = std::move(label); }

  // One merge of the set that holds the selected part.
  MergeOutcome Run(const Selection& selection);

 private:
  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  std::optional<settings::ChecksumErrorAction> checksumErrorAction_;
  std::string proposedDirectory_;  // set for parts from mail
  PartLabel partLabel_;
};

}  // namespace fennimar
