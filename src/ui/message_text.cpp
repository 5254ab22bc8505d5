#include "ui/message_text.h"

namespace fennimar {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` that
// encodes a character other than a control character, 0 for none.
std::size_t PrintableSequence(std::string_view text) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return lead >= 0x20 && lead != 0x7F ? 1 : 0;
  std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and code points past U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F)) {
    return 0;
  }
  // U+0080 to U+009F: the C1 controls.
  if (lead == 0xC2 && byte(1) < 0xA0) return 0;
  return length;
}

}  // namespace

std::string MessageText(std::string_view text, std::string_view path, std::string_view reason) {
  std::string message(text);
  if (!path.empty() && path != text) message.append("\n").append(path);
  if (!reason.empty()) message.append("\n").append(reason);
  return message;
}

std::string DisplayText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    std::size_t length = text.front() == '\n' ? 1 : PrintableSequence(text);
    if (length == 0) {
      shown += '?';
      length = 1;
    } else {
      shown.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return shown;
}

}  // namespace fennimar
