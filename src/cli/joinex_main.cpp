// joinex on Linux.
#include "cli/joinex.h"
#include "platform/program_start.h"

int main(int argc, char** argv) { return fennimar::RunJoinex(fennimar::StartProgram(argc, argv)); }
