#include "cli/split_command.h"

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "cli/reporting_mailer.h"
#include "cli/split_options.h"
#include "cli/terminal_password.h"
#include "cli/terminal_ui.h"
#include "mail/smtp/smtp_part_mailer.h"
#include "platform/drive.h"
#include "platform/file_status.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "split/split_engine.h"
#include "split/split_form.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

// Plays the user's part in the split dialog from the options.
bool FillDialog(const SplitOptions& options, SplitForm& form) {
  if (options.directory) form.SetDirectory(*options.directory);
  if (options.size) {
    std::string size = *options.size;
    if (size == "2dd" || size == "2DD") {
      form.Choose2DD();
    } else if (size == "2hd" || size == "2HD") {
      form.Choose2HD();
    } else if (size == "fat32" || size == "FAT32") {
      form.ChooseFat32();
    } else if (size == "mail" || size == "MAIL") {
      form.ChooseMailLimit();
    } else {
      form.ChooseOther();
      form.ChooseBytes();
      // The size is bytes already (ParseSplitOptions); a refused one has
      // been told, and OK would tell it again.
      if (!form.SetSizeText(size)) return false;
    }
  }
  if (options.fill) form.SetFillToCapacity(*options.fill);
  if (options.manifest) form.SetManifest(*options.manifest);
  if (options.recoveryCount) form.SetRecoveryCount(*options.recoveryCount);
  if (!options.mailTo.empty()) {
    form.SetEmail(true);
    form.SetMailTo(options.mailTo);
  }
  if (form.Ok() == DialogResult::kOk) return true;
  // The message points to the desktop's defaults dialog; here the key is
  // set in the settings file.
  if (!form.missingSetting().empty()) {
    std::cerr << "fennimar-cli: set " << form.missingSetting() << " in section ["
              << settings::kSection << "] of " << SettingsStore::DefaultPath() << "\n";
  }
  return false;
}

// `text` as one word of a POSIX shell's command line.
std::string ShellWord(const std::string& text) {
  if (!text.empty() && text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789@%+=:,./-_") == std::string::npos) {
    return text;
  }
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

// The one command that mails the parts a failed mailing left, with the
// options of this run and the part size it used.
void TellResume(const SplitOptions& options, const MailResume& resume) {
  const SplitRequest& request = resume.request;
  int part = request.mailFrom + 1;
  std::string command = "fennimar-cli split " + ShellWord(options.file) + " -d " +
                        ShellWord(request.targetDirectory) + " -s " +
                        std::to_string(request.chunkSize) + " --mail-to " +
                        ShellWord(request.mailTo) + " --from-part " + std::to_string(part) +
                        (options.assumeYes ? " -y" : "");
  // A name with control characters is shown cleaned: it must not steer the
  // terminal, even though the command then needs the name retyped.
  std::cerr << "fennimar-cli: part " << part << " of " << resume.partCount
            << " and the parts after it were not mailed. To mail them, run:\n  "
            << DisplayText(command) << "\n";
}

// Runs the split the options describe; the exit status.
int Split(const SplitOptions& options) {
  TerminalUi ui(options.assumeYes);
  ui.SetVerbosity(options.verbosity);
  bool asked = false;
  bool accepted = false;
  ui.splitDialog = [&](SplitForm& form) {
    asked = true;
    accepted = FillDialog(options, form);
    return accepted;
  };
  SettingsStore settings = SettingsStore::ForUser();
  SystemDrives drives;
  auto status = StatusOf(options.file);
  // Parts go out through the server and return address of the settings, as
  // in the desktop program; the password comes from the environment or is
  // asked for once.
  SmtpPartMailer smtp(settings, kDefaultApplicationTitle, TerminalPassword());
  ReportingMailer mailer(smtp);
  SplitEngine engine(ui, settings, drives, &mailer);
  SplitOutcome outcome = engine.Run({options.file, status ? status->size : 0},
                                    options.fromPart > 0 ? options.fromPart - 1 : 0);
  if (outcome == SplitOutcome::kMailFailed && engine.mailResume()) {
    TellResume(options, *engine.mailResume());
  }
  if (!accepted) {
    // A file refused before the dialog has been told about already.
    if (asked) std::cerr << "fennimar-cli: nothing was split\n";
    return 1;
  }
  return outcome == SplitOutcome::kComplete || outcome == SplitOutcome::kMailed ? 0 : 1;
}

}  // namespace

int RunSplitCommand(int argc, char** argv) {
  auto parsed = ParseSplitOptions(argc, argv);
  if (parsed.end != CommandLineEnd::kRun) return EndBeforeRunning(parsed.end, parsed.message);
  SplitOptions& options = parsed.arguments;
  // The desktop program hands the engines full paths; so does the terminal.
  if (!MakeAbsolute("fennimar-cli", options.file) ||
      !MakeAbsolute("fennimar-cli", options.directory)) {
    return 1;
  }
  // Refused as the join refuses it.
  if (options.directory && !DirectoryFitsTheField("fennimar-cli", *options.directory)) return 2;
  return Split(options);
}

}  // namespace fennimar
