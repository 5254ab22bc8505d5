#include "merge/disk_prompt_form.h"

namespace fennimar {

DialogResult DiskPromptForm::Ok() {
  newPath_ = field_.substr(0, kMaxDirectoryLength);
  return DialogResult::kOk;
}

}  // namespace fennimar
