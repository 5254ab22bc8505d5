#include "cli/command_line.h"

#include <iostream>

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

std::variant<SourceArguments, int> ParseSourceArguments(int argc, char** argv, const char* usage,
                                                        bool takesYes) {
  SourceArguments parsed;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << usage;
      return 0;
    } else if (arg == "-d" || arg == "--dir") {
      if (i + 1 >= argc) {
        std::cerr << "fennimar-cli: " << arg << " needs a value\n" << usage;
        return 2;
      }
      parsed.directory = argv[++i];
    } else if (takesYes && (arg == "-y" || arg == "--yes")) {
      parsed.assumeYes = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "fennimar-cli: unknown option " << arg << "\n" << usage;
      return 2;
    } else {
      parsed.sources.push_back(arg);
    }
  }
  if (parsed.sources.empty()) {
    std::cerr << usage;
    return 2;
  }
  return parsed;
}

}  // namespace fennimar
