// Helpers shared by the terminal front ends' command lines.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace fennimar {

// The paths of a command line made absolute against the working directory, as
// the desktop program hands the engines full paths. False after telling the
// user (as `program: ...` on standard error) that the working directory
// cannot be read: the paths would otherwise land in another directory.
bool MakeAbsolute(const char* program, std::string& path);
bool MakeAbsolute(const char* program, std::optional<std::string>& path);

// What `extract` and `join` take after their command word: one or more
// sources, `-d DIR` (`--dir`), and `-y` (`--yes`) where `takesYes`.
struct SourceArguments {
  std::vector<std::string> sources;
  std::optional<std::string> directory;
  bool assumeYes = false;
};

// Reads the arguments, or gives the exit status to end with: 0 after `-h`
// printed `usage`, 2 after a usage error (no source, an unknown option, `-d`
// without a value) was told on standard error.
std::variant<SourceArguments, int> ParseSourceArguments(int argc, char** argv, const char* usage,
                                                        bool takesYes);

}  // namespace fennimar
