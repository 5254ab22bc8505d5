// What every terminal program does first: take its arguments as UTF-8 text
// and make its console show and read UTF-8, so that a name in any script arrives and
// prints as it is on either system.
#pragma once

#include <string>
#include <vector>

namespace fennimar {

// The arguments as the program's entry point receives them: the system's
// bytes on Linux (main), UTF-16 on Windows (wmain; argv in the local code
// page would have lost most scripts' letters already).
#ifdef _WIN32
using ProgramArgument = wchar_t;
#else
using ProgramArgument = char;
#endif

// The arguments after the program's own name, as UTF-8. On Windows the
// standard streams that are a console are made to write and read it as
// UTF-16, so that the program's UTF-8 shows as it is.
std::vector<std::string> StartProgram(int argc, ProgramArgument** argv);

}  // namespace fennimar
