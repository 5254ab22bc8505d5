#include "cli/command_line.h"

#include <iostream>

#include "platform/fs.h"

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

}  // namespace fennimar
