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

ParsedCommandLine<SourceArguments> ParseSourceArguments(int argc, char** argv, const char* usage,
                                                        bool takesYes) {
  ParsedCommandLine<SourceArguments> parsed;
  SourceArguments& arguments = parsed.arguments;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      return parsed.Ended(CommandLineEnd::kHelp, usage, "");
    } else if (arg == "-d" || arg == "--dir") {
      if (i + 1 >= argc)
        return parsed.Ended(CommandLineEnd::kUsageError, usage,
                            "fennimar-cli: " + arg + " needs a value\n");
      arguments.directory = argv[++i];
    } else if (takesYes && (arg == "-y" || arg == "--yes")) {
      arguments.assumeYes = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return parsed.Ended(CommandLineEnd::kUsageError, usage,
                          "fennimar-cli: unknown option " + arg + "\n");
    } else {
      arguments.sources.push_back(arg);
    }
  }
  if (arguments.sources.empty()) return parsed.Ended(CommandLineEnd::kUsageError, usage, "");
  return parsed;
}

}  // namespace fennimar
