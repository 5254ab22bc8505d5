// ProgressWindow: the modeless window "Processing Please Wait" that shows a
// ProgressDialog while a split or a merge copies: the status text, Stop, the
// bar and the percentage.
//
// The window only mirrors the ProgressDialog; Stop (the button, Escape, or a
// close request from the window manager) calls ProgressDialog::Stop(), which
// asks before it sets stopRequested. The window never closes itself: the
// engine ends it by destroying its ProgressDialog.
#pragma once

#include <wx/dialog.h>

class wxPanel;
class wxTextCtrl;

namespace fennimar {
class ProgressDialog;
}

namespace fennimar::app {

inline constexpr int kIdProgressStatus = 108;
inline constexpr int kIdProgressPercent = 304;

class ProgressWindow : public wxDialog {
 public:
  // `progress` must outlive the window.
  ProgressWindow(wxWindow* owner, ProgressDialog& progress);

  // Shows the dialog's current text and percentage and paints the bar now.
  void ShowState();
  void Stop();

  ProgressDialog& progress() { return progress_; }

 private:
  void PaintBar();

  ProgressDialog& progress_;
  wxTextCtrl* status_;
  wxTextCtrl* percent_;
  wxPanel* bar_;
  int shownPercent_ = -1;
};

}  // namespace fennimar::app
