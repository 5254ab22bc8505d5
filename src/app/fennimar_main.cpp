// The desktop program fennimar.
//
// `--help` and `--version` are answered in the terminal before the toolkit
// starts, so that they work without a display too; any other command line
// goes to the window (Application::OnInit), GTK's own options included.
#include <wx/app.h>

#include <cstring>
#include <iostream>

#include "app/application.h"
#include "build_info.h"

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

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(fennimar::app::Application);

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "fennimar " << fennimar::kVersion << "\n";
    return 0;
  }
  return wxEntry(argc, argv);
}
