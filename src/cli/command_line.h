// Helpers shared by the terminal front ends' command lines.
#pragma once

#include <optional>
#include <string>

namespace fennimar {

// The paths of a command line made absolute against the working directory, as
// the desktop program hands the engines full paths. False after telling the
// user (as `program: ...` on standard error) that the working directory
// cannot be read: the paths would otherwise land in another directory.
bool MakeAbsolute(const char* program, std::string& path);
bool MakeAbsolute(const char* program, std::optional<std::string>& path);

}  // namespace fennimar
