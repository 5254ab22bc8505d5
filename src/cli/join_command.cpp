#include "cli/join_command.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/mailbox_sources.h"
#include "cli/source_arguments.h"
#include "cli/terminal_ui.h"
#include "format/part_name.h"
#include "mail/store/mail_join.h"
#include "mail/store/mail_source.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "platform/directories.h"
#include "platform/drive.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/stop_signals.h"
#include "recovery/recovery_format.h"
#include "settings/settings_store.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr SourceCommand kJoin = {
    "fennimar-cli join SOURCE... [options]",
    "Joins the part set that holds PART (any of NAME.Z00, NAME.Z01, ..., or\n"
    "of its recovery files NAME.R00, ...) into the file that was split,\n"
    "starting from part 00, rebuilt when lost. A directory that holds\n"
    "the parts of one set stands for that set. SOURCE may also be mail:\n"
    "saved messages, mbox files, Maildir folders or an IMAP mailbox\n"
    "(imaps://USER@HOST[:PORT]/MAILBOX; password from FENNIMAR_IMAP_PASSWORD,\n"
    "the keyring or asked); the part files are taken out of them and every\n"
    "complete set found is joined. Mail on the server stays as it was.\n",
    "directory for the joined file (default: from the\n"
    "settings, else the directory of the parts; for mail,\n"
    "the download directory)",
    /*takesYes=*/true};

// A part of the one set whose parts lie in `directory`, or none after a
// message that says there is no set there, or more than one.
std::optional<std::string> PartOfTheOnlySet(UserInterface& ui, const std::string& directory) {
  auto names = DirectoryEntries(directory);
  if (!names) {
    ui.ShowMessage(MessageText("Can not open file", directory, names.error().Reason()), "Merge",
                   MessageKind::kOkWarning);
    return std::nullopt;
  }
  std::sort(names->begin(), names->end());
  std::map<std::string, std::string> firstPartByStem;
  for (const std::string& name : *names) {
    std::string path = JoinPath(directory, name);
    if (IsPartFile(path) || IsRecoveryFile(path)) {
      firstPartByStem.emplace(PartStem(name), path);
    }
  }
  if (firstPartByStem.size() == 1) return firstPartByStem.begin()->second;
  std::string sets;
  for (const auto& [stem, path] : firstPartByStem) sets += "\n" + FileNameOf(path);
  ui.ShowMessage(firstPartByStem.empty()
                     ? MessageText("No part files in this directory", directory)
                     : MessageText("The directory holds parts of several files; name one of "
                                   "their parts:",
                                   directory) +
                           sets,
                 "Merge", MessageKind::kOkWarning);
  return std::nullopt;
}

}  // namespace

int RunJoinCommand(int argc, char** argv) {
  auto parsed = ParseSourceArguments(argc, argv, kJoin);
  if (parsed.end != CommandLineEnd::kRun) return EndBeforeRunning(parsed.end, parsed.message);
  // Named references, not a structured binding: the dialog's lambda below
  // captures `directory`, which clang 14 does not allow of a binding.
  SourceArguments& arguments = parsed.arguments;
  std::vector<std::string>& sources = arguments.sources;
  std::optional<std::string>& directory = arguments.directory;
  const bool assumeYes = arguments.assumeYes;
  // An empty directory would mean the root; one longer than the dialog's
  // field would be cut into another one.
  if (directory && directory->empty()) {
    return EndBeforeRunning(CommandLineEnd::kUsageError, "fennimar-cli: -d needs a directory\n");
  }
  if (!MakeAbsolute("fennimar-cli", directory)) return 1;
  for (std::string& source : sources) {
    if (!IsAddressSource(source) && !MakeAbsolute("fennimar-cli", source)) return 1;
  }
  if (directory && !DirectoryFitsTheField("fennimar-cli", *directory)) return 2;

  // A stop signal at any point ends the run at its next check, so that
  // every temporary file and directory is removed on the way out; one that
  // comes after the last check leaves the completed run as it is.
  StopSignals signals;
  TerminalUi ui(assumeYes);
  ui.SetVerbosity(arguments.verbosity);
  ui.mergeDialog = [&](MergeForm& form) {
    if (directory) form.SetField(*directory);
    return form.Ok() == DialogResult::kOk;
  };
  SettingsStore settings = SettingsStore::ForUser();
  SystemDrives drives;
  // One part is joined where it lies; mail, or several sources, go through
  // a temporary directory. A file that cannot be read is neither: it is
  // not taken for a part.
  MailboxSources mailboxes(
      ui, [&ui] { return !ui.StopRequested(); }, "Merge");
  std::optional<std::vector<MailSource>> found = mailboxes.ClassifyAll(sources);
  if (!found) return 1;
  const std::vector<MailSource>& classified = *found;
  const std::string& part = sources.front();
  if (sources.size() == 1 && classified.front().unreadable) {
    ui.ShowMessage(MessageText("Can not open file", part, classified.front().unreadable->Reason()),
                   part, MessageKind::kOkWarning);
    return 1;
  }
  if (sources.size() > 1 || classified.front().IsMail()) {
    MailJoinOutcome outcome =
        JoinFromMail(ui, settings, drives, classified, [&ui] { return ui.StopRequested(); });
    return outcome == MailJoinOutcome::kAllJoined ? 0 : 1;
  }
  // A directory stands for the one set in it; a file whose name carries no
  // part or recovery number is not of a set at all (the join would look for
  // NAME.Z00).
  std::string start = part;
  if (KindOf(part) == EntryKind::kDirectory) {
    std::optional<std::string> only = PartOfTheOnlySet(ui, part);
    if (!only) return 1;
    start = *only;
  } else if (!PartIndexFromName(part) && !RecoveryIndexFromName(part)) {
    ui.ShowMessage(MessageText("Not a part file", part), "Merge", MessageKind::kOkWarning);
    return 1;
  }
  auto status = StatusOf(start);
  MergeEngine engine(ui, settings, drives);
  return engine.Run({start, status ? status->size : 0}) == MergeOutcome::kComplete ? 0 : 1;
}

}  // namespace fennimar
