// The text of a message about a file or directory: what went wrong, the full
// path on a line of its own (a caption is cut short by the desktop, the
// text is not), and the system's reason on the last line.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

// `text`, then `path` on its own line unless it is empty or is the text
// itself, then `reason` on its own line unless it is empty.
std::string MessageText(std::string_view text, std::string_view path, std::string_view reason = {});

// `text` made safe to show on a terminal or in a window: every control
// character (C0 but the line feed, DEL, and C1 whether written in UTF-8 or as
// a single byte) and every byte that is not part of well-formed UTF-8 becomes
// '?'. Text from outside (a server's reply, a name stored in a part or a
// message) can then neither move a terminal's cursor nor set its title.
std::string DisplayText(std::string_view text);

}  // namespace fennimar
