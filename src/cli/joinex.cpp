// joinex: the companion joiner. It joins a part set on a machine without
// Fennimar, with the same merge engine and checks as Fennimar itself, on a
// terminal. It reads no settings file: the result goes beside the parts
// unless a directory is given, and after checksum errors the result is
// deleted unless --keep is given. It is linked so that it needs no library
// of Fennimar's (and, where the system allows, none at all).
#include <iostream>
#include <string>

#include "cli/command_line.h"
#include "cli/terminal_ui.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "platform/drive.h"
#include "platform/fs.h"
#include "settings/settings_store.h"

namespace {

constexpr const char* kHelp =
    "joinex: the companion joiner of Fennimar; it joins a part set (NAME.Z00, NAME.Z01, ...)\n"
    "Usage: joinex PART [DIRECTORY] [--keep]  (--keep keeps the result after checksum errors)\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace fennimar;
  std::string part;
  std::string directory;
  bool keep = false;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kHelp;
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
  if (directory.size() > MergeForm::kMaxDirectory) {
    std::cerr << "joinex: directory longer than " << MergeForm::kMaxDirectory << " characters\n";
    return 2;
  }

  TerminalUi ui(/*assumeYes=*/false);
  ui.mergeDialog = [&](MergeForm& form) {
    if (!directory.empty()) form.SetField(directory);
    return form.Ok() == DialogResult::kOk;
  };
  // A store over no file: every reader gets its default, so the result goes
  // beside the parts.
  SettingsStore settings{std::string()};
  SystemDrives drives;
  MergeEngine engine(ui, settings, drives);
  engine.SetChecksumErrorAction(keep ? "CONTINUE" : "ABORT");
  auto status = StatPath(part);
  return engine.Run({part, status ? status->size : 0}) == MergeOutcome::kComplete ? 0 : 1;
}
