// WxUserInterface: the engines' UserInterface over the real main window:
// message boxes, the dialogs over their forms, the information lines, the
// busy cursor, the progress window and the event pump.
//
// While an engine runs, Pump() dispatches every pending window event. The
// main window refuses its commands for the run's duration, so a pumped event
// never starts a second run and never destroys what the engine uses.
//
// The engines pump after every block of 32000 bytes, far more often than a
// screen can show, and each handling of events costs the X server's time and
// ours. So the window's events are handled, and what changed painted, at
// most every kPumpInterval, and before a message box. A changed information
// line (a new part) is shown at once, or at the next screen frame when the
// last pump was less than a frame ago: with page-cached parts a new part can
// start every few milliseconds. Nothing waits on the X server meanwhile: the
// toolkit paints during the handling of events, and the progress window
// shows the percentage of that moment.
#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "ui/user_interface.h"

class wxDialog;
class wxWindow;

namespace fennimar::app {

class ProgressWindow;

// The longest time the window goes without repaint and events during a run.
inline constexpr std::chrono::milliseconds kPumpInterval{30};
// A screen shows a new picture about every 16 ms; painting more often shows
// nothing more.
inline constexpr std::chrono::milliseconds kFrameInterval{16};

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
  // closed with OK. A run's progress window shows the run's state meanwhile.
  bool RunModal(wxDialog& dialog);

  // Builds the progress window ahead of the first run, hidden, so that the
  // run shows it at once.
  void PrepareProgress();
  // The progress window of the running split or merge; null when none.
  ProgressWindow* progressWindow() const { return progress_; }

 private:
  // The window that owns message boxes now: the innermost open dialog, else
  // the progress window, else the main window.
  wxWindow* MessageOwner();
  // Brings the progress window and the lines up to date before a box or a
  // dialog waits for the user: the engine may have moved on since the last
  // pump, and nothing is pumped while the user is asked.
  void ShowRunSoFar();
  // Handles every pending event now, the painting of what changed among
  // them.
  void PumpNow();

  InfoLineOwner& owner_;
  ProgressWindow* progress_ = nullptr;
  // The progress window ready for the next run, hidden.
  ProgressWindow* spare_ = nullptr;
  std::vector<wxWindow*> dialogs_;
  std::chrono::steady_clock::time_point lastPump_;
  // Set when something the user should see at once has changed.
  bool repaintDue_ = true;
};

}  // namespace fennimar::app
