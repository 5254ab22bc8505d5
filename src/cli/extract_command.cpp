#include "cli/extract_command.h"

#include <iostream>
#include <string>
#include <vector>

#include "mail/part_extractor.h"
#include "platform/fs.h"

namespace fennimar {
namespace {

constexpr const char* kUsage =
    "Usage: fennimar-cli extract SOURCE... [options]\n"
    "Writes every part file attached to the messages of each SOURCE (a saved\n"
    "message, an mbox file or a Maildir folder) into a directory, under its own\n"
    "name. A file that is there already is never replaced.\n"
    "  -d, --dir DIR   directory for the parts (default: the current directory)\n"
    "  -h, --help      show this text\n";

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  std::vector<std::string> sources;
  std::string directory = ".";
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "-d" || arg == "--dir") {
      if (i + 1 >= argc) {
        std::cerr << "fennimar-cli: " << arg << " needs a value\n" << kUsage;
        return 2;
      }
      directory = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "fennimar-cli: unknown option " << arg << "\n" << kUsage;
      return 2;
    } else {
      sources.push_back(arg);
    }
  }
  if (sources.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  if (!IsDirectory(directory)) {
    std::cerr << "fennimar-cli: " << directory << ": no such directory\n";
    return 1;
  }
  PartExtractor extractor(directory);
  std::size_t shown = 0;
  for (const std::string& source : sources) {
    if (!extractor.AddSource(source)) {
      std::cout << "Skipped: " << source << ": not a mail message, mailbox or Maildir\n";
    }
    for (; shown < extractor.results().size(); ++shown) {
      std::cout << ExtractResultText(extractor.results()[shown]) << "\n";
    }
  }
  return extractor.written() > 0 ? 0 : 1;
}

}  // namespace fennimar
