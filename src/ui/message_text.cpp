#include "ui/message_text.h"

namespace fennimar {

std::string MessageText(std::string_view text, std::string_view path, std::string_view reason) {
  std::string message(text);
  if (!path.empty() && path != text) message.append("\n").append(path);
  if (!reason.empty()) message.append("\n").append(reason);
  return message;
}

}  // namespace fennimar
