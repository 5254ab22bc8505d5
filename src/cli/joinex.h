// joinex: the companion joiner. It joins a part set on a machine without
// Fennimar, with the same merge engine and checks as Fennimar itself, on a
// terminal or a console. It reads no settings file: the result goes beside
// the parts unless a directory is given, and after checksum errors the
// result is deleted unless --keep is given. The program's entry point is
// the system's own (joinex_main.cpp, joinex_main_win32.cpp); both land here.
#pragma once

#include <string>
#include <vector>

namespace fennimar {

// Runs joinex with its arguments (UTF-8 text, without the program's name):
// PART [DIRECTORY] [--keep], --help or --version. Returns the exit status:
// 0 only when the merge completed, 1 on any failure, cancel or stop, 2 on a
// usage error.
int RunJoinex(const std::vector<std::string>& arguments);

// The start without arguments, as from a file manager: joins every set whose
// part 00 lies in `directory` into that same directory, asking before it
// overwrites. Returns 0 when every set was joined, 1 otherwise (also when
// no set is there).
int JoinSetsIn(const std::string& directory);

}  // namespace fennimar
