// FloppyPromptDialog: the modal prompt "Split file to floppy disk" over a
// FloppyPrompt. It names the part about to be written; OK closes only when
// the disk has room for it.
#pragma once

#include <wx/dialog.h>

namespace fennimar {
class FloppyPrompt;
}

namespace fennimar::app {

// The controls' ids.
inline constexpr int kIdFloppyAboutToWrite = 201;
inline constexpr int kIdFloppyInsert = 206;
inline constexpr int kIdFloppyPartPath = 207;

class FloppyPromptDialog : public wxDialog {
 public:
  FloppyPromptDialog(wxWindow* owner, FloppyPrompt& prompt);

 private:
  FloppyPrompt& prompt_;
};

}  // namespace fennimar::app
