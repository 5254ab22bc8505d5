// CommandParser: the options of one fennimar-cli command, read the way GNU
// programs read theirs (--size=10M, -s10M, -s 10M, grouped flags such as -yq,
// and -- before a name that starts with '-'), and the command's help text,
// made from the same declarations so that the two never disagree.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/command_line.h"
#include "cli/terminal_ui.h"

namespace fennimar {

class CommandParser {
 public:
  // `usage` is the help's first line without its "Usage: " ("fennimar-cli
  // split FILE [options]"), `description` the lines below it, each ending in
  // a newline. -h and --help are declared already.
  CommandParser(std::string usage, std::string description);

  // Declare the command's options and positional words on the app. An
  // option given twice keeps its last value, as GNU programs do.
  CLI::App& app() { return app_; }

  // Declares -q/--quiet (only errors) and -v/--verbose (a line for every
  // part), read into `verbosity`; the two exclude each other.
  void AddVerbosity(Verbosity& verbosity);

  // Reads the words after the command word. kRun when the command runs;
  // otherwise message() holds what to print: the help after -h, a
  // complaint (`fennimar-cli: unknown option -x`, `fennimar-cli: --dir needs
  // a value`) and a pointer to --help after a usage error.
  CommandLineEnd Parse(int argc, char** argv);

  // Ends the command line with a usage error of the command's own (a
  // check CLI11 cannot make): message() becomes `complaint` and a line that
  // points to --help; an empty `complaint` gives the whole help.
  CommandLineEnd Refuse(const std::string& complaint);

  std::string Help() const { return app_.help(); }
  const std::string& message() const { return message_; }

  // Turns what the parser decided into a ParsedCommandLine.
  template <typename Arguments>
  ParsedCommandLine<Arguments> Result(CommandLineEnd end, Arguments arguments) const {
    ParsedCommandLine<Arguments> parsed;
    parsed.end = end;
    parsed.arguments = std::move(arguments);
    parsed.message = message_;
    return parsed;
  }

 private:
  CLI::App app_;
  std::string command_;  // "fennimar-cli split": the usage's first two words
  std::string message_;
};

}  // namespace fennimar
