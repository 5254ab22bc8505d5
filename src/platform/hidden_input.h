// Reading a secret from the terminal without showing it.
#pragma once

#include <optional>
#include <string>

namespace fennimar {

// Writes `prompt` to standard error and reads one line from standard input
// with echo switched off (restored afterwards), without its line end. None
// when standard input is no terminal or nothing could be read.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

}  // namespace fennimar
