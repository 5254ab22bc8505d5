#include "platform/hidden_input.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace fennimar {

HiddenLine ReadHiddenLine(const std::string& prompt, const std::function<bool()>& keepWaiting) {
  if (!::isatty(STDIN_FILENO)) return {};
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) return {};
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  for (;;) {
    // The echo is off before the prompt shows, so that nothing typed on
    // seeing it can appear.
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) return {};
    std::cerr << prompt << std::flush;
    // A terminal reports input only for a whole line; a signal ends the
    // wait, which a read would sit through.
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = ::poll(&input, 1, -1);
    int error = errno;
    if (ready > 0) {
      HiddenLine line;
      bool read = static_cast<bool>(std::getline(std::cin, line.text));
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
      if (!read) return {};
      if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
      line.outcome = HiddenRead::kRead;
      return line;
    }
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (error != EINTR) return {};
    std::cerr << std::endl;
    if (keepWaiting && !keepWaiting()) return {HiddenRead::kStopped, {}};
  }
}

}  // namespace fennimar
