// DiskPromptForm: the logic of the disk prompt, without widgets.
//
// The merge shows the prompt whenever the next part is missing. It names the
// missing file and lets the user insert the medium that holds it (OK with an
// empty field: look again) or type the directory where the parts are (OK
// with a path: look there for this part and every later one). The engine
// makes a new form for every prompt, so the field starts empty each time.
#pragma once

#include <cstddef>
#include <string>

#include "format/path_limits.h"
#include "ui/user_interface.h"

namespace fennimar {

class DiskPromptForm {
 public:
  explicit DiskPromptForm(std::string missingPath) : missingPath_(std::move(missingPath)) {}

  // The full path of the part that was not found, shown under
  // "Please insert disk with:".
  const std::string& missingPath() const { return missingPath_; }
  // The "or specify new path:" field; empty at the start.
  const std::string& field() const { return field_; }
  void SetField(std::string text) { field_ = std::move(text); }

  // OK: takes at most 99 characters of the field into `newPath`.
  DialogResult Ok();
  // The result after Ok(); empty when the user typed nothing.
  const std::string& newPath() const { return newPath_; }

 private:
  std::string missingPath_;
  std::string field_;
  std::string newPath_;
};

}  // namespace fennimar
