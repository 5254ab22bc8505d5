// joinex.exe: the companion joiner on Windows. The command line arrives as
// UTF-16 and is handed on as UTF-8, the console is switched to UTF-8 so that
// every name prints as it is, and a start without arguments (a double click
// on the disk) joins the sets beside the program and keeps the console
// window open until Enter is pressed.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/joinex.h"
#include "platform/directories.h"
#include "platform/wide_text_win32.h"

int wmain(int argc, wchar_t** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(fennimar::NarrowText(argv[i]));
  if (!arguments.empty()) return fennimar::RunJoinex(arguments);

  auto directory = fennimar::ProgramDirectory();
  int status = directory ? fennimar::JoinSetsIn(*directory) : 1;
  std::cout << "Press Enter to close this window." << std::endl;
  std::string line;
  std::getline(std::cin, line);
  return status;
}
