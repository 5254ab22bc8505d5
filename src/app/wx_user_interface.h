// WxUserInterface: the engines' UserInterface over the real main window:
// message boxes, the dialogs over their forms, the information lines, the
// busy cursor, the progress window and the event pump.
//
// While an engine runs, Pump() dispatches every pending window event. The
// main window refuses its commands for the run's duration, so a pumped event
// never starts a second run and never destroys what the engine uses.
#pragma once

#include <memory>
#include <vector>

#include "ui/user_interface.h"

class wxDialog;
class wxWindow;

namespace fennimar::app {

class ProgressWindow;

// What the interface needs of the main window.
class InfoLineOwner {
 public:
  virtual ~InfoLineOwner() = default;
  virtual wxWindow* Window() = 0;
  virtual void SetLine(InfoLine line, std::string_view text) = 0;
};

class WxUserInterface : public UserInterface {
 public:
  explicit WxUserInterface(InfoLineOwner& owner);
  ~WxUserInterface() override;

  Answer ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override;
  bool RunSplitDialog(SplitForm& form) override;
  bool RunFloppyPrompt(FloppyPrompt& prompt) override;
  bool RunMergeDialog(MergeForm& form) override;
  bool RunDiskPrompt(DiskPromptForm& form) override;
  void SetInfoLine(InfoLine line, std::string_view text) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void ShowProgress(ProgressDialog& progress) override;
  void UpdateProgress(ProgressDialog& progress) override;
  void HideProgress(ProgressDialog& progress) override;
  void Pump() override;

  // Runs a modal dialog that owns the messages shown meanwhile; true when it
  // closed with OK.
  bool RunModal(wxDialog& dialog);

  // The progress window of the running split or merge; null when none.
  ProgressWindow* progressWindow() const { return progress_; }

 private:
  // The window that owns message boxes now: the innermost open dialog, else
  // the progress window, else the main window.
  wxWindow* MessageOwner();

  InfoLineOwner& owner_;
  ProgressWindow* progress_ = nullptr;
  std::vector<wxWindow*> dialogs_;
};

}  // namespace fennimar::app
