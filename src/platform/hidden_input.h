// Reading a secret from the terminal without showing it.
#pragma once

#include <functional>
#include <string>

namespace fennimar {

enum class HiddenRead {
  kRead,     // a line was typed
  kNone,     // standard input is no terminal, or nothing could be read
  kStopped,  // a signal (Ctrl-C) came and `keepWaiting` said no
};

struct HiddenLine {
  HiddenRead outcome = HiddenRead::kNone;
  std::string text;  // without its line end
};

// Writes `prompt` to standard error and reads one line from standard input
// with echo switched off (restored afterwards). When a signal ends the wait
// (Ctrl-C), the echo is restored and `keepWaiting` is asked whether to go
// on, so that it may ask the user; yes asks for the line again.
HiddenLine ReadHiddenLine(const std::string& prompt, const std::function<bool()>& keepWaiting);

}  // namespace fennimar
