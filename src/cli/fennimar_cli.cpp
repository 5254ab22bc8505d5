// fennimar-cli: split and join part sets from a terminal or a script, with
// the same engines, messages and checks as the desktop program.
#include <cstring>
#include <iostream>

#include "build_info.h"
#include "cli/extract_command.h"
#include "cli/join_command.h"
#include "cli/mail_command.h"
#include "cli/split_command.h"

namespace {

constexpr const char* kUsage =
    "Usage: fennimar-cli COMMAND ...\n"
    "  split FILE [options]   cut FILE into part files (fennimar-cli split --help)\n"
    "  join PART [options]    join the set that holds PART (fennimar-cli join --help)\n"
    "  extract SOURCE...      take the part files out of mail (fennimar-cli extract --help)\n"
    "  mail PART... --to ADDR mail part files, one message each (fennimar-cli mail --help)\n"
    "  --version              print the version\n"
    "Every command takes -q (errors only), -v (a line for every part) and -h.\n";

}  // namespace

int main(int argc, char** argv) {
  // Without a command, the usage is an error's text: it goes to standard
  // error, as with any other usage error.
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "fennimar-cli " << fennimar::kVersion << "\n";
    return 0;
  }
  if (std::strcmp(argv[1], "split") == 0) return fennimar::RunSplitCommand(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "join") == 0) return fennimar::RunJoinCommand(argc - 2, argv + 2);
  if (std::strcmp(argv[1], "extract") == 0) {
    return fennimar::RunExtractCommand(argc - 2, argv + 2);
  }
  if (std::strcmp(argv[1], "mail") == 0) return fennimar::RunMailCommand(argc - 2, argv + 2);
  std::cerr << "fennimar-cli: unknown command " << argv[1] << "\n" << kUsage;
  return 2;
}
