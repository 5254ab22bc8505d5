// The desktop program fennimar.
//
// `--help` and `--version` are answered in the terminal before the toolkit
// starts, so that they work without a display too; any other command line
// goes to the window (Application::OnInit), GTK's own options included.
#include <wx/app.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "build_info.h"
#include "platform/program_start.h"

namespace {

constexpr const char* kUsage =
    "Usage: fennimar [FILE]\n"
    "Opens Fennimar's window, where files are split into numbered parts\n"
    "(NAME.Z00, NAME.Z01, ...) and parts joined back. FILE is taken as if it\n"
    "had been dropped on the window: a part file is merged at once, mail that\n"
    "holds parts is joined, any other file split.\n"
    "  -h, --help     show this text\n"
    "      --version  print the version\n"
    "The terminal front end is fennimar-cli.\n";

// Answers `--help` and `--version`; false for any other command line.
bool AnsweredInTerminal(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return false;
  if (arguments[0] == "--help" || arguments[0] == "-h") {
    std::cout << kUsage;
  } else if (arguments[0] == "--version") {
    std::cout << "fennimar " << fennimar::kVersion << "\n";
  } else {
    return false;
  }
  std::cout.flush();
  return true;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(fennimar::app::Application);

// On Windows the arguments come as UTF-16 (wmain), which the toolkit takes
// as they are; the answers go to the console or file the program was
// started from, if any (a window program has none of its own).
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  if (AnsweredInTerminal(fennimar::StartProgram(argc, argv))) return 0;
  return wxEntry(argc, argv);
}
