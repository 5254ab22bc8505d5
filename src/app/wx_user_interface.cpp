#include "app/wx_user_interface.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "app/message_box.h"
#include "app/progress_window.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {

WxUserInterface::WxUserInterface(InfoLineOwner& owner) : owner_(owner) {}

WxUserInterface::~WxUserInterface() {
  if (progress_) progress_->Destroy();
}

Answer WxUserInterface::ShowMessage(std::string_view text, std::string_view caption,
                                    MessageKind kind) {
  // During a run the progress window is the one in front; its questions
  // (Stop) and the engine's messages belong to it.
  wxWindow* owner = progress_ ? static_cast<wxWindow*>(progress_) : owner_.Window();
  return ShowMessageBox(owner, text, caption, kind);
}

bool WxUserInterface::RunSplitDialog(SplitForm&) { return false; }

bool WxUserInterface::RunFloppyPrompt(FloppyPrompt&) { return false; }

bool WxUserInterface::RunMergeDialog(MergeForm&) { return false; }

bool WxUserInterface::RunDiskPrompt(DiskPromptForm&) { return false; }

void WxUserInterface::SetInfoLine(InfoLine line, std::string_view text) {
  owner_.SetLine(line, text);
}

void WxUserInterface::BeginWaitCursor() { wxBeginBusyCursor(); }

void WxUserInterface::EndWaitCursor() { wxEndBusyCursor(); }

void WxUserInterface::ShowProgress(ProgressDialog& progress) {
  if (progress_) progress_->Destroy();
  progress_ = new ProgressWindow(owner_.Window(), progress);
  // Under the main window's information lines, where it hides nothing the
  // engine writes.
  wxWindow* main = owner_.Window();
  wxRect frame = main->GetScreenRect();
  progress_->Move(frame.GetLeft() + main->FromDIP(6), frame.GetBottom() + main->FromDIP(6));
  progress_->Show();
  progress_->ShowState();
}

void WxUserInterface::UpdateProgress(ProgressDialog& progress) {
  if (progress_ && &progress_->progress() == &progress) progress_->ShowState();
}

void WxUserInterface::HideProgress(ProgressDialog& progress) {
  if (!progress_ || &progress_->progress() != &progress) return;
  progress_->Hide();
  progress_->Destroy();
  progress_ = nullptr;
}

void WxUserInterface::Pump() {
  owner_.Window()->Update();
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
    loop->YieldFor(wxEVT_CATEGORY_ALL);
  }
}

}  // namespace fennimar::app
