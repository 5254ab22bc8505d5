#include "cli/terminal_ui.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "merge/disk_prompt_form.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"
#include "split/floppy_prompt.h"
#include "split/split_form.h"
#include "ui/message_text.h"
#include "ui/progress_dialog.h"

namespace fennimar {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

TerminalUi::TerminalUi(bool assumeYes, bool yesOption)
    : assumeYes_(assumeYes),
      yesOption_(yesOption),
      interactive_(StandardInputIsTerminal() && StandardErrorIsTerminal()),
      drawBar_(StandardErrorIsTerminal()) {}

TerminalUi::~TerminalUi() { ClearBar(); }

std::string TerminalUi::AskLine(const std::string& prompt) {
  ClearBar();
  if (!interactive_) return {};
  std::cerr << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return {};
  return line;
}

bool TerminalUi::AskYesNo(std::string_view question, bool defaultNo, bool yesAnswers) {
  if (assumeYes_ && yesAnswers) {
    std::cerr << " yes (--yes)\n";
    return true;
  }
  if (!interactive_) {
    // --yes never answers a Retry, so only other questions name it.
    std::cerr << (yesOption_ && yesAnswers ? " no (no terminal to ask; --yes answers yes)\n"
                                           : " no (no terminal to ask)\n");
    return false;
  }
  for (;;) {
    std::string answer = AskLine(std::string(question) + (defaultNo ? " [y/N] " : " [y/n] "));
    if (answer == "y" || answer == "Y" || answer == "yes") return true;
    if (answer == "n" || answer == "N" || answer == "no" || std::cin.eof()) return false;
    if (answer.empty() && defaultNo) return false;
  }
}

Answer TerminalUi::ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) {
  ClearBar();
  std::cerr << DisplayText(caption) << ": " << DisplayText(text);
  switch (kind) {
    case MessageKind::kOk:
    case MessageKind::kOkWarning:
      std::cerr << "\n";
      return Answer::kOk;
    case MessageKind::kYesNo:
    case MessageKind::kYesNoDefaultNo:
      if (!assumeYes_ && interactive_) std::cerr << "\n";
      return AskYesNo("", kind == MessageKind::kYesNoDefaultNo) ? Answer::kYes : Answer::kNo;
    case MessageKind::kYesNoOwnAnswer:
      if (interactive_) std::cerr << "\n";
      return AskYesNo("", true, /*yesAnswers=*/false) ? Answer::kYes : Answer::kNo;
    case MessageKind::kRetryCancel:
      // Only someone at the terminal can insert the disk; --yes does not
      // answer this, as it would ask again without end.
      if (!interactive_) {
        std::cerr << " no (no terminal to ask)\n";
        return Answer::kCancel;
      }
      std::cerr << "\n";
      return AskYesNo("Retry?", false, /*yesAnswers=*/false) ? Answer::kRetry : Answer::kCancel;
  }
  return Answer::kOk;
}

bool TerminalUi::RunSplitDialog(SplitForm& form) { return splitDialog && splitDialog(form); }

bool TerminalUi::RunMergeDialog(MergeForm& form) { return mergeDialog && mergeDialog(form); }

bool TerminalUi::RunDiskPrompt(DiskPromptForm& form) {
  ClearBar();
  std::cerr << "Please insert disk with:\n  " << DisplayText(form.missingPath()) << "\n";
  // Without a terminal nobody can insert a disk or name a directory.
  if (!interactive_) return false;
  std::string line = AskLine("or specify new path (Enter looks again, end of input cancels): ");
  if (std::cin.eof()) return false;
  form.SetField(line);
  return form.Ok() == DialogResult::kOk;
}

bool TerminalUi::RunFloppyPrompt(FloppyPrompt& prompt) {
  ClearBar();
  std::cerr << "About to write file: " << DisplayText(prompt.partPath()) << "\n";
  if (!interactive_) {
    // Without a terminal the disk in the drive is taken as it is, once.
    return assumeYes_ && prompt.Ok() == DialogResult::kOk;
  }
  for (;;) {
    std::string line =
        AskLine("Please insert empty floppy for it, then press Enter (c and Enter cancels): ");
    if (line == "c" || line == "C" || std::cin.eof()) return false;
    if (prompt.Ok() == DialogResult::kOk) return true;
  }
}

bool TerminalUi::Prints(std::string_view text) const {
  if (verbosity_ == Verbosity::kQuiet) return false;
  if (verbosity_ == Verbosity::kVerbose || StandardOutputIsTerminal()) return true;
  // A line per part tells someone watching; a script reading the output
  // wants the outcome.
  return !text.starts_with(" Writing: ") && !text.starts_with(" Reading: ");
}

void TerminalUi::SetInfoLine(InfoLine, std::string_view text) {
  ClearBar();
  if (!Prints(text)) return;
  std::cout << DisplayText(text) << std::endl;
}

void TerminalUi::ShowProgress(ProgressDialog& progress) {
  progress_ = &progress;
  lastPercent_ = -1;
  progressSignals_.emplace();
}

void TerminalUi::UpdateProgress(ProgressDialog& progress) {
  if (!drawBar_ || progress.percent() == lastPercent_) return;
  lastPercent_ = progress.percent();
  int p = std::clamp(lastPercent_, 0, 100);
  int filled = kBarWidth * p / 100;
  std::cerr << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] "
            << p << "%" << std::flush;
  barShown_ = true;
}

void TerminalUi::HideProgress(ProgressDialog&) {
  ClearBar();
  progress_ = nullptr;
  progressSignals_.reset();
}

void TerminalUi::Pump() {
  if (!progress_) return;
  if (AskToStop()) progress_->StopConfirmed();
}

bool TerminalUi::StopRequested() {
  stopped_ = stopped_ || AskToStop();
  return stopped_;
}

bool TerminalUi::AskToStop() {
  int signal = TakeStopSignal();
  if (signal == 0) return false;
  // Ctrl-C on a terminal asks, as the Stop button does; without a terminal
  // (a script, timeout, a CI cancel), and for SIGTERM and SIGHUP, nobody can
  // answer, so the signal is the confirmed Stop.
  bool stop = signal != SIGINT || !interactive_ || AskToStopRun(*this);
  stopped_ = stopped_ || stop;
  return stop;
}

void TerminalUi::ClearBar() {
  if (!barShown_) return;
  std::cerr << "\r" << std::string(kBarWidth + 8, ' ') << "\r" << std::flush;
  barShown_ = false;
  lastPercent_ = -1;
}

}  // namespace fennimar
