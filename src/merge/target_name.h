// The merged file's name. It comes from `sourceName` of part 00, which is
// outside data: whatever a part says, the result is one plain file name
// inside the merge directory, never a path that leads out of it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// The text after the last "/", "\" or ":" of the stored name. Empty when
// what remains is empty, "." or "..", a device's name on this system, or
// holds a control character (bytes below 0x20 and 0x7F): such a part is not
// accepted.
std::optional<std::string> TargetNameFromSourceName(std::string_view sourceName);

// The name up to its first "." (REPORT.DOC gives REPORT): the stem under
// which parts are looked for in a directory typed into the disk prompt.
std::string TargetStem(std::string_view name);

// The fallback when the target cannot be created: the path with the second
// "." of its file name and everything after it cut away (/out/A.B.C gives
// /out/A.B). Only the file name is searched, so the cut path stays in the
// same directory. Empty when the file name has no second ".".
std::optional<std::string> StripSecondDot(std::string_view path);

}  // namespace fennimar
