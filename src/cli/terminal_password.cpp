#include "cli/terminal_password.h"

#include <memory>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/hidden_input.h"
#include "ui/message_text.h"

namespace fennimar {

PasswordSource TerminalPassword(const char* variable, StoredPassword stored) {
  auto typed = std::make_shared<std::optional<std::string>>();
  return [typed, variable, stored](const std::string& user, const std::string& server,
                                   const KeepWaiting& keepWaiting) -> PasswordAnswer {
    if (auto password = EnvironmentVariable(variable)) return {*password, {}};
    if (!*typed && stored) *typed = stored(user, server);
    if (!*typed) {
      // The prompt is written straight to the terminal, past TerminalUi.
      HiddenLine line =
          ReadHiddenLine(DisplayText("Password for " + user + " at " + server + ": "), keepWaiting);
      if (line.outcome == HiddenRead::kStopped) return {std::nullopt, "stopped", true};
      if (line.outcome == HiddenRead::kRead) *typed = line.text;
    }
    if (*typed) return {**typed, {}};
    return {std::nullopt, std::string("set ") + variable + ", or run on a terminal to be asked"};
  };
}

}  // namespace fennimar
