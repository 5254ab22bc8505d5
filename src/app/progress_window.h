// ProgressWindow: the modeless window "Processing Please Wait" that shows a
// ProgressDialog while a split or a merge copies: the status text, Stop, the
// bar and the percentage.
//
// The window only mirrors the ProgressDialog it shows; Stop (the button,
// Escape, or a close request from the window manager) calls
// ProgressDialog::Stop(), which asks before it sets stopRequested. The window
// never closes itself: the engine ends it by destroying its ProgressDialog.
// One window serves one run after another: it is built before the first, so
// that a run starts at once.
#pragma once

#include <wx/dialog.h>

class wxPanel;

namespace fennimar {
class ProgressDialog;
}

namespace fennimar::app {

class DrawnLabel;
inline constexpr int kIdProgressStatus = 108;
inline constexpr int kIdProgressPercent = 304;

class ProgressWindow : public wxDialog {
 public:
  explicit ProgressWindow(wxWindow* owner);

  // From now on the window shows `progress`, which must outlive the showing
  // or be replaced by the next Attach; null shows nothing.
  void Attach(ProgressDialog* progress);
  // Shows the dialog's current text and percentage; they are painted with
  // the next handling of events.
  void ShowState();
  void Stop();

  ProgressDialog* progress() { return progress_; }

 private:
  void PaintBar();

  ProgressDialog* progress_ = nullptr;
  DrawnLabel* status_;
  DrawnLabel* percent_;
  wxPanel* bar_;
  int shownPercent_ = -1;
};

}  // namespace fennimar::app
