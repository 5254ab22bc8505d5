// A file name read from outside: the name a part stores for its source, or
// the name a message gives an attachment. Whatever it says, it names one
// plain file inside the directory it is written to, never a path that leads
// out of it; the join and the extraction from mail use this one check, so
// that a name refused by one is refused by the other.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// The text after the last "/", "\" or ":" of `name` (names written on other
// systems may carry a drive and backslashes). None when what remains is
// empty, "." or "..", a device's name on this system, or holds a control
// character (bytes below 0x20 and 0x7F).
std::optional<std::string> SafeFileName(std::string_view name);

// True for a name that a directory listing hides (".bash_profile"): such a
// name taken from outside may be a start-up file of the user's shell, so it
// is never created or replaced without the user's own answer.
inline bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

}  // namespace fennimar
