#include "app/wx_user_interface.h"

#include <wx/app.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <algorithm>
#include <utility>

#include "app/floppy_prompt_dialog.h"
#include "app/merge_dialog.h"
#include "app/message_box.h"
#include "app/progress_window.h"
#include "app/split_dialog.h"
#include "ui/message_text.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {

WxUserInterface::WxUserInterface(InfoLineOwner& owner) : owner_(owner) {}

WxUserInterface::~WxUserInterface() {
  if (progress_) progress_->Destroy();
  if (spare_) spare_->Destroy();
}

void WxUserInterface::PrepareProgress() {
  if (!progress_ && !spare_) spare_ = new ProgressWindow(owner_.Window());
}

Answer WxUserInterface::ShowMessage(std::string_view text, std::string_view caption,
                                    MessageKind kind) {
  ShowRunSoFar();
  Answer answer = ShowMessageBox(MessageOwner(), DisplayText(text), DisplayText(caption), kind);
  lastPump_ = std::chrono::steady_clock::now();
  return answer;
}

void WxUserInterface::ShowRunSoFar() {
  if (progress_) {
    progress_->ShowState();
    progress_->Update();
  }
  owner_.Window()->Update();
}

wxWindow* WxUserInterface::MessageOwner() {
  // A dialog's messages belong to it; during a run the progress window is
  // the one in front, and its questions (Stop) and the engine's messages
  // belong to it.
  if (!dialogs_.empty()) return dialogs_.back();
  if (progress_) return progress_;
  return owner_.Window();
}

bool WxUserInterface::RunModal(wxDialog& dialog) {
  // A prompt during a run (a disk, a missing part) shows what the run has
  // done so far, not what the last pump happened to show.
  ShowRunSoFar();
  dialogs_.push_back(&dialog);
  bool ok = dialog.ShowModal() == wxID_OK;
  dialogs_.pop_back();
  return ok;
}

bool WxUserInterface::RunSplitDialog(SplitForm& form) {
  SplitDialog dialog(owner_.Window(), form);
  return RunModal(dialog);
}

bool WxUserInterface::RunFloppyPrompt(FloppyPrompt& prompt) {
  FloppyPromptDialog dialog(owner_.Window(), prompt);
  return RunModal(dialog);
}

bool WxUserInterface::RunMergeDialog(MergeForm& form) {
  MergeDialog dialog(owner_.Window(), form);
  return RunModal(dialog);
}

bool WxUserInterface::RunDiskPrompt(DiskPromptForm& form) {
  DiskPromptDialog dialog(owner_.Window(), form);
  return RunModal(dialog);
}

void WxUserInterface::SetInfoLine(InfoLine line, std::string_view text) {
  owner_.SetLine(line, DisplayText(text));
  repaintDue_ = true;
}

void WxUserInterface::BeginWaitCursor() { wxBeginBusyCursor(); }

void WxUserInterface::EndWaitCursor() { wxEndBusyCursor(); }

void WxUserInterface::ShowProgress(ProgressDialog& progress) {
  if (progress_) HideProgress(*progress_->progress());
  PrepareProgress();
  progress_ = std::exchange(spare_, nullptr);
  progress_->Attach(&progress);
  // Under the main window's information lines, where it hides nothing the
  // engine writes; over the window when there is no room below it.
  wxWindow* main = owner_.Window();
  wxRect frame = main->GetScreenRect();
  wxRect screen = wxDisplay(main).GetClientArea();
  wxPoint place(frame.GetLeft() + main->FromDIP(6), frame.GetBottom() + main->FromDIP(6));
  if (place.y + progress_->GetSize().y > screen.GetBottom()) {
    place.y = std::max(screen.GetTop(), frame.GetBottom() - progress_->GetSize().y);
  }
  progress_->Move(place);
  progress_->Show();
  repaintDue_ = true;
}

void WxUserInterface::UpdateProgress(ProgressDialog&) {
  // Shown by the next real pump.
}

void WxUserInterface::HideProgress(ProgressDialog& progress) {
  if (!progress_ || progress_->progress() != &progress) return;
  progress_->Hide();
  progress_->Attach(nullptr);
  spare_ = std::exchange(progress_, nullptr);
}

void WxUserInterface::Pump() {
  auto now = std::chrono::steady_clock::now();
  if (now - lastPump_ >= kPumpInterval || (repaintDue_ && now - lastPump_ >= kFrameInterval)) {
    PumpNow();
  }
}

void WxUserInterface::PumpNow() {
  repaintDue_ = false;
  if (progress_) progress_->ShowState();
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
    loop->YieldFor(wxEVT_CATEGORY_ALL);
  }
  // Counted from the end: time spent in the events (a Stop question, a
  // window dragged) does not make the next pump come sooner.
  lastPump_ = std::chrono::steady_clock::now();
}

}  // namespace fennimar::app
