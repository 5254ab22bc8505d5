// MergeForm: the logic of the merge dialog, without widgets.
//
// Before anything is read, the merge asks for the directory that is to
// receive the merged file. The form proposes one and, on OK, hands back what
// the field holds as `directory`. It checks nothing: the merge engine tests
// the directory and offers to create it. A front end shows field() in its
// edit field, forwards every change with SetField() and calls Ok() when the
// user presses OK; Cancel needs no call.
#pragma once

#include <cstddef>
#include <string>

#include "format/path_limits.h"
#include "settings/settings_store.h"
#include "ui/user_interface.h"

namespace fennimar {

class MergeForm {
 public:
  // Proposes the merge directory: the setting `MergeDir` unless it is "SAME",
  // otherwise `proposedDirectory` when the caller gives one (the download
  // directory for parts taken out of mail), else the directory of
  // `selectedPath` (the text before its last "/", searching from the second
  // character; empty when there is none). `WorkDir` plays no part: a merge
  // belongs beside the parts or in `MergeDir`.
  MergeForm(const SettingsStore& settings, std::string selectedPath,
            const std::string& proposedDirectory = {});

  const std::string& selectedPath() const { return selectedPath_; }
  // The text of the directory field; the proposal until the user edits it.
  const std::string& field() const { return field_; }
  void SetField(std::string text) { field_ = std::move(text); }

  // OK: takes at most 99 characters of the field into `directory`. An empty
  // field gives an empty directory, which the engine takes for "/".
  DialogResult Ok();
  // The result after Ok().
  const std::string& directory() const { return directory_; }

  // The proposal for a selected path when `MergeDir` is "SAME".
  static std::string DirectoryProposal(const std::string& selectedPath);

 private:
  std::string selectedPath_;
  std::string field_;
  std::string directory_;
};

}  // namespace fennimar
