// TerminalUi: the engines' user interface on a terminal. Message boxes go to
// standard error as caption and text; questions are asked on the terminal,
// or answered from --yes, or No when there is no terminal to ask. The
// information lines are printed to standard output as they change (by
// Verbosity: a line per part read or written only on a terminal or with
// -v, none with -q), and a
// progress bar is drawn on standard error when it is a terminal. Ctrl-C
// during a run presses the progress dialog's Stop button; without a terminal
// SIGINT, and SIGTERM and SIGHUP always, is a Stop already confirmed. A
// command that holds StopSignals for its whole run asks StopRequested() at
// its own checks, with the same question.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/stop_signals.h"
#include "ui/user_interface.h"

namespace fennimar {

// How much a command prints on standard output: kQuiet nothing (errors and
// questions go to standard error), kNormal every information line but the
// per-part "Writing:" and "Reading:" ones unless standard output is a
// terminal, kVerbose every line.
enum class Verbosity { kQuiet, kNormal, kVerbose };

class TerminalUi : public UserInterface {
 public:
  // `assumeYes` answers Yes to every question; a Retry, which needs someone
  // to insert a disk, is asked on the terminal and is Cancel without one.
  // `yesOption`: the program has a --yes option, which the answer given
  // without a terminal names.
  explicit TerminalUi(bool assumeYes, bool yesOption = true);
  ~TerminalUi() override;

  // Dialog handlers, set by the command that knows the options; a dialog
  // without a handler is cancelled.
  std::function<bool(SplitForm&)> splitDialog;
  std::function<bool(MergeForm&)> mergeDialog;

  // Reads one line from the terminal after printing `prompt` to standard
  // error; empty result when there is no terminal or input ended.
  std::string AskLine(const std::string& prompt);
  bool Interactive() const { return interactive_; }
  bool assumeYes() const { return assumeYes_; }
  void SetVerbosity(Verbosity verbosity) { verbosity_ = verbosity; }
  // True when `text` is an information line the verbosity lets through.
  bool Prints(std::string_view text) const;
  // True once a stop signal asked the run to stop (and, for Ctrl-C on a
  // terminal, the user confirmed it), here or in a progress dialog.
  bool StopRequested();

  Answer ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override;
  bool RunSplitDialog(SplitForm& form) override;
  bool RunFloppyPrompt(FloppyPrompt& prompt) override;
  bool RunMergeDialog(MergeForm& form) override;
  bool RunDiskPrompt(DiskPromptForm& form) override;
  void SetInfoLine(InfoLine line, std::string_view text) override;
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void ShowProgress(ProgressDialog& progress) override;
  void UpdateProgress(ProgressDialog& progress) override;
  void HideProgress(ProgressDialog& progress) override;
  void Pump() override;

 private:
  // `defaultNo`: an empty answer is No. `yesAnswers`: --yes answers it.
  bool AskYesNo(std::string_view question, bool defaultNo, bool yesAnswers = true);
  void ClearBar();
  // Takes a pending stop signal; true when it stops the run.
  bool AskToStop();

  bool assumeYes_;
  bool yesOption_;
  bool interactive_;  // standard input and error are terminals
  bool drawBar_;      // standard error is a terminal
  bool barShown_ = false;
  int lastPercent_ = -1;
  ProgressDialog* progress_ = nullptr;
  std::optional<StopSignals> progressSignals_;  // while a progress dialog is shown
  bool stopped_ = false;
  Verbosity verbosity_ = Verbosity::kNormal;
};

}  // namespace fennimar
