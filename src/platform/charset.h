// Conversion of text in a named character set (as mail headers name them)
// into UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// `bytes` in `charset` (any letter case; "UTF-8", "ISO-8859-1", "windows-1252",
// ...) as UTF-8. Empty when the character set is unknown or the bytes are not
// valid in it.
std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset);

}  // namespace fennimar
