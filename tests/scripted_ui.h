// ScriptedUi: a user who answers from a script and a window that records
// everything shown, for engine tests without a display.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "ui/user_interface.h"

namespace fennimar::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageKind kind;
  bool operator==(const ShownMessage&) const = default;
  // Shown readably when an assertion fails.
  friend std::ostream& operator<<(std::ostream& out, const ShownMessage& m) {
    return out << '"' << m.text << "\" (" << m.caption << ", kind " << static_cast<int>(m.kind)
               << ')';
  }
};

class ScriptedUi : public UserInterface {
 public:
  // Answers to Yes/No and Retry/Cancel boxes, in order. A question without a
  // scripted answer fails the test and is answered No (or Cancel).
  std::deque<Answer> answers;

  // Dialog scripts: each gets the form, plays the user's part and returns
  // whether the dialog closed with OK. Without a script a dialog is cancelled.
  std::function<bool(SplitForm&)> splitDialog;
  std::function<bool(FloppyPrompt&)> floppyPrompt;
  std::function<bool(MergeForm&)> mergeDialog;
  std::function<bool(DiskPromptForm&)> diskPrompt;
  // Called on every pump with the count of pumps so far (from 1).
  std::function<void(int)> onPump;

  // What was shown.
  std::vector<ShownMessage> messages;
  std::array<std::string, 4> lines{" Working directory:", " File size:", " Target File:", " "};
  std::vector<std::string> statusHistory;
  std::vector<int> percents;
  int floppyPrompts = 0;
  int pumps = 0;
  int waitCursorDepth = 0;
  int progressDialogsShown = 0;
  ProgressDialog* progress = nullptr;  // the dialog currently shown

  // Presses Stop when the given pump comes, answering its question with `answer`.
  void StopAtPump(int pump, Answer answer = Answer::kYes);
  // Presses Stop, once, at the first pump after the status line came to hold `text`.
  void StopWhenStatusHolds(std::string text);

  const std::string& Line(InfoLine line) const { return lines[static_cast<int>(line)]; }
  const std::string& Status() const { return Line(InfoLine::kStatus); }
  // The texts of all messages shown, in order.
  std::vector<std::string> MessageTexts() const;

  Answer ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override;
  bool RunSplitDialog(SplitForm& form) override;
  bool RunFloppyPrompt(FloppyPrompt& prompt) override;
  bool RunMergeDialog(MergeForm& form) override;
  bool RunDiskPrompt(DiskPromptForm& form) override;
  void SetInfoLine(InfoLine line, std::string_view text) override;
  void BeginWaitCursor() override { ++waitCursorDepth; }
  void EndWaitCursor() override { --waitCursorDepth; }
  void ShowProgress(ProgressDialog& dialog) override;
  void UpdateProgress(ProgressDialog& dialog) override;
  void HideProgress(ProgressDialog& dialog) override;
  void Pump() override;
};

}  // namespace fennimar::testing
