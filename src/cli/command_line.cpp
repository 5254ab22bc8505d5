#include "cli/command_line.h"

#include <iostream>

#include "format/path_limits.h"
#include "platform/directories.h"

namespace fennimar {

bool MakeAbsolute(const char* program, std::string& path) {
  auto absolute = AbsolutePath(path);
  if (!absolute) {
    std::cerr << program << ": can not read the working directory, give full paths\n";
    return false;
  }
  path = std::move(*absolute);
  return true;
}

bool MakeAbsolute(const char* program, std::optional<std::string>& path) {
  return !path || MakeAbsolute(program, *path);
}

bool DirectoryFitsTheField(const char* program, std::string_view directory) {
  if (directory.size() <= kMaxDirectoryLength) return true;
  std::cerr << program << ": directory longer than " << kMaxDirectoryLength << " characters\n";
  return false;
}

int EndBeforeRunning(CommandLineEnd end, const std::string& message) {
  if (end == CommandLineEnd::kHelp) {
    std::cout << message;
    return 0;
  }
  std::cerr << message;
  return 2;
}

}  // namespace fennimar
