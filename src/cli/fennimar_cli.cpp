// fennimar-cli: split and join part sets from a terminal or a script, with
// the same engines, messages and checks as the desktop program.
#include <iostream>
#include <string>
#include <vector>

#include "build_info.h"
#include "cli/extract_command.h"
#include "cli/join_command.h"
#include "cli/mail_command.h"
#include "cli/split_command.h"
#include "cli/verify_command.h"
#include "platform/program_start.h"

namespace {

constexpr const char* kUsage =
    "Usage: fennimar-cli COMMAND ...\n"
    "  split FILE [options]   cut FILE into part files (fennimar-cli split --help)\n"
    "  join PART [options]    join the set that holds PART (fennimar-cli join --help)\n"
    "  extract SOURCE...      take the part files out of mail (fennimar-cli extract --help)\n"
    "  mail PART... --to ADDR mail part files, one message each (fennimar-cli mail --help)\n"
    "  verify PART|MANIFEST   check a part set without joining it (fennimar-cli verify --help)\n"
    "  --version              print the version\n"
    "Every command takes -q (errors only), -v (a line for every part) and -h.\n";

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  std::vector<std::string> arguments = fennimar::StartProgram(argc, argv);
  // Without a command, the usage is an error's text: it goes to standard
  // error, as with any other usage error.
  if (arguments.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string& command = arguments.front();
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "--version") {
    std::cout << "fennimar-cli " << fennimar::kVersion << "\n";
    return 0;
  }
  // The commands read their options as C strings, UTF-8 on either system.
  std::vector<char*> options;
  for (std::size_t i = 1; i < arguments.size(); ++i) options.push_back(arguments[i].data());
  options.push_back(nullptr);
  int count = static_cast<int>(arguments.size()) - 1;
  if (command == "split") return fennimar::RunSplitCommand(count, options.data());
  if (command == "join") return fennimar::RunJoinCommand(count, options.data());
  if (command == "extract") return fennimar::RunExtractCommand(count, options.data());
  if (command == "mail") return fennimar::RunMailCommand(count, options.data());
  if (command == "verify") return fennimar::RunVerifyCommand(count, options.data());
  std::cerr << "fennimar-cli: unknown command " << command << "\n" << kUsage;
  return 2;
}
