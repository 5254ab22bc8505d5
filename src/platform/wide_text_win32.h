// Windows keeps names as UTF-16; the rest of Fennimar keeps them as UTF-8.
// The platform layer converts at every system call.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

std::wstring WideText(std::string_view utf8);
std::string NarrowText(std::wstring_view utf16);

}  // namespace fennimar
