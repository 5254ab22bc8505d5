#include "ui/progress_dialog.h"

#include "ui/user_interface.h"

namespace fennimar {

int PercentOf(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  // Sizes stay below 2^63 / 100 for any file this program handles.
  return static_cast<int>(done * 100 / total);
}

ProgressDialog::ProgressDialog(UserInterface& ui) : ui_(ui) { ui_.ShowProgress(*this); }

ProgressDialog::~ProgressDialog() { ui_.HideProgress(*this); }

void ProgressDialog::SetStatusText(std::string text) {
  statusText_ = std::move(text);
  ui_.UpdateProgress(*this);
}

void ProgressDialog::SetPercent(int p) {
  percent_ = p;
  ui_.UpdateProgress(*this);
}

bool AskToStopRun(UserInterface& ui) {
  return ui.ShowMessage("Do you really want stop?", "Fennimar", MessageKind::kYesNo) ==
         Answer::kYes;
}

void ProgressDialog::Stop() {
  if (AskToStopRun(ui_)) stopRequested_ = true;
}

BarGeometry ProgressDialog::Geometry(Rect client, int percent) {
  BarGeometry g;
  g.bar = {client.left + 5, client.bottom - 48, client.right - 5, client.bottom - 28};
  int w = g.bar.Width() * percent / 100;
  g.filled = {g.bar.left, g.bar.top, g.bar.left + w, g.bar.bottom};
  g.empty = {g.bar.left + w, g.bar.top + 1, g.bar.right - 1, g.bar.bottom - 1};
  return g;
}

}  // namespace fennimar
