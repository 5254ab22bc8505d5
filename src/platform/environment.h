// The program's environment variables, read as UTF-8 text on every system
// (Windows keeps them as UTF-16; its narrow copies are in the code page of
// the system, which cannot hold every character).
#pragma once

#include <optional>
#include <string>

namespace fennimar {

// The value of the variable `name`; none when it is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

}  // namespace fennimar
