// The Windows start: the console's code pages are set to UTF-8 and put back
// as they were when the program ends, so that the cmd.exe or PowerShell
// window the user goes on working in is left unchanged.
#include <windows.h>

#include <cstdlib>

#include "platform/program_start.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

UINT savedOutputPage = 0;
UINT savedInputPage = 0;

void RestoreConsolePages() {
  if (savedOutputPage != 0) ::SetConsoleOutputCP(savedOutputPage);
  if (savedInputPage != 0) ::SetConsoleCP(savedInputPage);
}

void UseUtf8Console() {
  // Without a console the pages read as 0 and nothing is changed; the bytes
  // written to a file or a pipe are UTF-8 in any case.
  savedOutputPage = ::GetConsoleOutputCP();
  savedInputPage = ::GetConsoleCP();
  if (savedOutputPage == 0 && savedInputPage == 0) return;
  if (savedOutputPage != 0) ::SetConsoleOutputCP(CP_UTF8);
  if (savedInputPage != 0) ::SetConsoleCP(CP_UTF8);
  std::atexit(RestoreConsolePages);
}

}  // namespace

std::vector<std::string> StartProgram(int argc, wchar_t** argv) {
  UseUtf8Console();
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(NarrowText(argv[i]));
  return arguments;
}

}  // namespace fennimar
