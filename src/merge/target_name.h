// The merged file's name and its fallbacks. The name itself comes from
// `sourceName` of part 00 through SafeFileName (format/file_name.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// The name up to its first "." (REPORT.DOC gives REPORT): the stem under
// which parts are looked for in a directory typed into the disk prompt.
std::string TargetStem(std::string_view name);

// The fallback when the target cannot be created: the path with the second
// "." of its file name and everything after it cut away (/out/A.B.C gives
// /out/A.B). Only the file name is searched, so the cut path stays in the
// same directory. Empty when the file name has no second ".".
std::optional<std::string> StripSecondDot(std::string_view path);

}  // namespace fennimar
