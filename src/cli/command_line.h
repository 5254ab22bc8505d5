// Helpers shared by the terminal front ends' command lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// The paths of a command line made absolute against the working directory, as
// the desktop program hands the engines full paths. False after telling the
// user (as `program: ...` on standard error) that the working directory
// cannot be read: the paths would otherwise land in another directory.
bool MakeAbsolute(const char* program, std::string& path);
bool MakeAbsolute(const char* program, std::optional<std::string>& path);

// True when `directory` fits the dialogs' directory field (as long as a path
// the system takes); otherwise false after telling the user (`program:
// directory longer than 4096 characters`): a longer directory would be cut
// into another one.
bool DirectoryFitsTheField(const char* program, std::string_view directory);

// How reading a command line ended: the command runs, or it ends at once
// after printing the help or a usage error.
enum class CommandLineEnd { kRun, kHelp, kUsageError };

// The arguments a command line gave, or why the command ends before running.
template <typename Arguments>
struct ParsedCommandLine {
  CommandLineEnd end = CommandLineEnd::kRun;
  Arguments arguments;  // complete when `end` is kRun
  // What to print when `end` is not kRun: the usage after -h, the complaint
  // and the usage after a usage error.
  std::string message;

  // This command line ends before running: `complaint` (may be empty), then
  // the command's `usage`.
  ParsedCommandLine Ended(CommandLineEnd how, const std::string& usage,
                          const std::string& complaint) {
    end = how;
    message = complaint + usage;
    return *this;
  }
};

// Prints the message of a command line that ends before the command runs
// (help on standard output, a usage error on standard error) and gives the
// exit status: 0 after help, 2 after a usage error.
int EndBeforeRunning(CommandLineEnd end, const std::string& message);

}  // namespace fennimar
