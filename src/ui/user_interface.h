// UserInterface: everything the engines need from the user and the window.
//
// The engines never see a toolkit. They show message boxes, run dialogs over
// widget-free forms, write the main window's four information lines, show the
// wait cursor and the progress dialog, and pump the window's messages after
// every block. The desktop program implements this with real windows, the
// terminal programs with standard input and error, the tests with a script.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

class SplitForm;
class FloppyPrompt;
class MergeForm;
class DiskPromptForm;
class ProgressDialog;

// The kinds of message box.
enum class MessageKind {
  kOk,              // OK button, no icon
  kOkWarning,       // OK button with a warning icon
  kYesNo,           // Yes and No buttons
  kYesNoDefaultNo,  // Yes and No buttons, No the default: for questions whose Yes destroys data
  kYesNoOwnAnswer,  // as kYesNoDefaultNo, for questions that only the person may answer: a
                    // front end's "yes to everything" never answers them, and without
                    // someone to ask the answer is No
  kRetryCancel,     // Retry and Cancel buttons
};

// True for the kinds that ask Yes or No.
constexpr bool IsYesNo(MessageKind kind) {
  return kind == MessageKind::kYesNo || kind == MessageKind::kYesNoDefaultNo ||
         kind == MessageKind::kYesNoOwnAnswer;
}

enum class Answer { kOk, kYes, kNo, kRetry, kCancel };

// The main window's information lines, top to bottom.
enum class InfoLine { kDirectory, kSize, kTarget, kStatus };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows a modal message box and returns the button pressed. Boxes of kind
  // kOk and kOkWarning answer kOk.
  virtual Answer ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) = 0;

  // Modal dialogs. Each shows the form's state, forwards the user's changes
  // and clicks to it, and returns true when it closed with OK (the form's
  // Ok() accepted), false on Cancel. The form outlives the call.
  virtual bool RunSplitDialog(SplitForm& form) = 0;
  virtual bool RunFloppyPrompt(FloppyPrompt& prompt) = 0;
  virtual bool RunMergeDialog(MergeForm& form) = 0;
  virtual bool RunDiskPrompt(DiskPromptForm& form) = 0;

  // Replaces the whole text of one information line.
  virtual void SetInfoLine(InfoLine line, std::string_view text) = 0;

  // The wait cursor; calls nest and are balanced by WaitCursor.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // The progress dialog's life: shown when a ProgressDialog is created, told
  // of every change, hidden when it is destroyed. The dialog's Stop button
  // calls ProgressDialog::Stop().
  virtual void ShowProgress(ProgressDialog& progress) = 0;
  virtual void UpdateProgress(ProgressDialog& progress) = 0;
  virtual void HideProgress(ProgressDialog& progress) = 0;

  // Repaints the main window and handles every pending window event, then
  // returns. Engines call it after every block.
  virtual void Pump() = 0;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  explicit WaitCursor(UserInterface& ui) : ui_(ui) { ui_.BeginWaitCursor(); }
  ~WaitCursor() { ui_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UserInterface& ui_;
};

// How a modal dialog's OK button ends: the dialog stays open (a message told
// the user what to mend), or it closes with OK, or with Cancel.
enum class DialogResult { kStayOpen, kOk, kCancel };

}  // namespace fennimar
