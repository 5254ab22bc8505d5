// SourceArguments: what `extract` and `join` take after their command word.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/terminal_ui.h"

namespace fennimar {

// One or more sources, `-d DIR` (`--dir`), -q or -v, and `-y` (`--yes`)
// where the command takes it.
struct SourceArguments {
  std::vector<std::string> sources;
  std::optional<std::string> directory;
  bool assumeYes = false;
  Verbosity verbosity = Verbosity::kNormal;
};

// How a command that takes sources introduces itself in its help.
struct SourceCommand {
  const char* usage;        // "fennimar-cli join SOURCE... [options]"
  const char* description;  // the lines under the usage line
  const char* directory;    // what -d names, for the help
  bool takesYes;
};

// Reads the arguments. A usage error is no source, an unknown option, or
// `-d` without a value.
ParsedCommandLine<SourceArguments> ParseSourceArguments(int argc, char** argv,
                                                        const SourceCommand& command);

}  // namespace fennimar
