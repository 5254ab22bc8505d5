#include "cli/joinex.h"

#include <algorithm>
#include <iostream>
#include <map>

#include "build_info.h"
#include "cli/command_line.h"
#include "cli/terminal_ui.h"
#include "format/part_name.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "platform/directories.h"
#include "platform/drive.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "recovery/recovery_format.h"
#include "settings/settings_store.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr const char* kHelp =
    "joinex: the companion joiner of Fennimar; it joins a part set (NAME.Z00, NAME.Z01, ...)\n"
    "Usage: joinex PART [DIRECTORY] [--keep]  (--keep keeps the result after checksum errors)\n";

// One merge of the set that holds `part`, the result going into `directory`
// (beside the parts when empty).
bool Join(const std::string& part, const std::string& directory, bool keep) {
  TerminalUi ui(/*assumeYes=*/false, /*yesOption=*/false);
  ui.mergeDialog = [&](MergeForm& form) {
    if (!directory.empty()) form.SetField(directory);
    return form.Ok() == DialogResult::kOk;
  };
  // A store over no file: every reader gets its default, so the result goes
  // beside the parts.
  SettingsStore settings{std::string()};
  SystemDrives drives;
  MergeEngine engine(ui, settings, drives);
  engine.SetChecksumErrorAction(keep ? settings::ChecksumErrorAction::kContinue
                                     : settings::ChecksumErrorAction::kAbort);
  auto status = StatusOf(part);
  return engine.Run({part, status ? status->size : 0}) == MergeOutcome::kComplete;
}

}  // namespace

int RunJoinex(const std::vector<std::string>& arguments) {
  std::string part;
  std::string directory;
  bool keep = false;
  int positional = 0;
  for (const std::string& arg : arguments) {
    if (arg == "-h" || arg == "--help") {
      std::cout << kHelp;
      return 0;
    } else if (arg == "--version") {
      std::cout << "joinex " << kVersion << "\n";
      return 0;
    } else if (arg == "--keep") {
      keep = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "joinex: unknown option " << arg << "\n" << kHelp;
      return 2;
    } else if (positional == 0) {
      part = arg, ++positional;
    } else if (positional == 1) {
      directory = arg, ++positional;
    } else {
      std::cerr << kHelp;
      return 2;
    }
  }
  if (part.empty()) {
    std::cerr << kHelp;
    return 2;
  }
  if (!MakeAbsolute("joinex", part) || !MakeAbsolute("joinex", directory)) return 1;
  if (!DirectoryFitsTheField("joinex", directory)) return 2;
  return Join(part, directory, keep) ? 0 : 1;
}

int JoinSetsIn(const std::string& directory) {
  std::vector<std::string> firstParts;
  auto names = DirectoryEntries(directory);
  if (!names) {
    std::cerr << "joinex: " << DisplayText(directory) << ": " << names.error().Reason() << "\n";
    return 1;
  }
  // A set whose part 00 is lost is joined from its recovery files.
  std::map<std::string, std::string> startByStem;
  for (const std::string& name : *names) {
    if (PartIndexFromName(name) == 0) {
      startByStem[PartStem(name)] = name;
    } else if (IsRecoveryFile(JoinPath(directory, name))) {
      startByStem.emplace(PartStem(name), name);
    }
  }
  for (const auto& [stem, name] : startByStem) firstParts.push_back(name);
  if (firstParts.empty()) {
    std::cerr << "joinex: no first part (NAME.Z00) beside joinex in " << directory << "\n";
    return 1;
  }
  std::sort(firstParts.begin(), firstParts.end());
  bool all = true;
  for (const std::string& name : firstParts) {
    std::cout << "joinex: joining " << name << "\n";
    // The result goes beside the parts, as the merge proposes by itself.
    all = Join(JoinPath(directory, name), std::string(), /*keep=*/false) && all;
  }
  return all ? 0 : 1;
}

}  // namespace fennimar
