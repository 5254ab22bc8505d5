#include "scripted_ui.h"

#include <gtest/gtest.h>

#include "ui/progress_dialog.h"

namespace fennimar::testing {

void ScriptedUi::StopAtPump(int pump, Answer answer) {
  onPump = [this, pump, answer](int count) {
    if (count == pump && progress) {
      answers.push_front(answer);
      progress->Stop();
    }
  };
}

void ScriptedUi::StopWhenStatusHolds(std::string text) {
  onPump = [this, text = std::move(text), pressed = false](int) mutable {
    if (!pressed && progress && Status().find(text) != std::string::npos) {
      pressed = true;
      answers.push_front(Answer::kYes);
      progress->Stop();
    }
  };
}

std::vector<std::string> ScriptedUi::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

Answer ScriptedUi::ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) {
  messages.push_back({std::string(text), std::string(caption), kind});
  if (kind == MessageKind::kOk || kind == MessageKind::kOkWarning) return Answer::kOk;
  if (answers.empty()) {
    ADD_FAILURE() << "no scripted answer for \"" << text << "\" (" << caption << ")";
    return IsYesNo(kind) ? Answer::kNo : Answer::kCancel;
  }
  Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

bool ScriptedUi::RunSplitDialog(SplitForm& form) { return splitDialog && splitDialog(form); }

bool ScriptedUi::RunFloppyPrompt(FloppyPrompt& prompt) {
  ++floppyPrompts;
  return floppyPrompt && floppyPrompt(prompt);
}

bool ScriptedUi::RunMergeDialog(MergeForm& form) { return mergeDialog && mergeDialog(form); }

bool ScriptedUi::RunDiskPrompt(DiskPromptForm& form) { return diskPrompt && diskPrompt(form); }

void ScriptedUi::SetInfoLine(InfoLine line, std::string_view text) {
  lines[static_cast<int>(line)] = std::string(text);
  if (line == InfoLine::kStatus) statusHistory.emplace_back(text);
}

void ScriptedUi::ShowProgress(ProgressDialog& dialog) {
  EXPECT_EQ(progress, nullptr) << "a second progress dialog while one is shown";
  progress = &dialog;
  ++progressDialogsShown;
}

void ScriptedUi::UpdateProgress(ProgressDialog& dialog) {
  if (percents.empty() || percents.back() != dialog.percent()) percents.push_back(dialog.percent());
}

void ScriptedUi::HideProgress(ProgressDialog& dialog) {
  EXPECT_EQ(progress, &dialog);
  progress = nullptr;
}

void ScriptedUi::Pump() {
  ++pumps;
  if (onPump) onPump(pumps);
}

}  // namespace fennimar::testing
