#include "split/floppy_prompt.h"

#include "platform/drive.h"

namespace fennimar {

DialogResult FloppyPrompt::Ok() {
  std::uint64_t free = drives_.GetAvailableSpace(partPath_);
  if (requiredBytes_ > 0 && static_cast<std::uint64_t>(requiredBytes_) > free) {
    ui_.ShowMessage("Not enough space on disk", "Fennimar", MessageKind::kOkWarning);
    return DialogResult::kStayOpen;
  }
  return DialogResult::kOk;
}

}  // namespace fennimar
