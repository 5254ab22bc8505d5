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

}  // namespace fennimar
