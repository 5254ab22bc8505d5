// joinex.exe: the companion joiner on Windows. A start without arguments (a
// double click on the disk) joins the sets beside the program and keeps the
// console window open until Enter is pressed.
#include <iostream>
#include <string>

#include "cli/joinex.h"
#include "platform/directories.h"
#include "platform/program_start.h"

int wmain(int argc, wchar_t** argv) {
  auto arguments = fennimar::StartProgram(argc, argv);
  if (!arguments.empty()) return fennimar::RunJoinex(arguments);

  auto directory = fennimar::ProgramDirectory();
  int status = directory ? fennimar::JoinSetsIn(*directory) : 1;
  std::cout << "Press Enter to close this window." << std::endl;
  std::string line;
  std::getline(std::cin, line);
  return status;
}
