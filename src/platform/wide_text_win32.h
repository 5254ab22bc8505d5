// Windows keeps names as UTF-16; the rest of Fennimar keeps them as UTF-8.
// The platform layer converts at every system call.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

std::wstring WideText(std::string_view utf8);
std::string NarrowText(std::wstring_view utf16);

// A path as the "W" file functions take it. A path too long for the classic
// limit (MAX_PATH, less the room a directory keeps for an 8.3 name) is made
// absolute in the \\?\ form (\\?\UNC\ for a share), which the system takes
// up to 32,767 characters; shorter paths go as they are, so that relative
// names keep working.
std::wstring WidePath(std::string_view utf8);

// The longest path that goes without the \\?\ form: MAX_PATH (260) less
// the 12 characters a directory keeps for an 8.3 name, less one.
inline constexpr std::size_t kClassicPathLimit = 260 - 12 - 1;

}  // namespace fennimar
