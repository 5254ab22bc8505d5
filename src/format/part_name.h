// PartName: how the parts of a set are named, and how a file is recognised as
// a part.
//
// Part k of a source is "<base>.Z<kk>", k as at least two decimal digits.
// The base joins the target directory and the stem; the stem is the source's
// file name up to its first "." (REPORT.DOC and ARCHIVE.TAR.GZ give REPORT and
// ARCHIVE; a name without a dot is its own stem). Only the file name is cut,
// so dots in directory names (~/.cache, /tmp/a.b) do not matter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

// The stem of a source path, or of a part's own path (REPORT.Z03 gives REPORT).
std::string PartStem(std::string_view path);
// The directory of a path joined with its stem: /a/REPORT.Z03 gives /a/REPORT.
std::string PartBaseOf(std::string_view path);
// "<base>.Z%02d".
std::string PartPathFromBase(std::string_view base, int index);
// The path of part `index` of `sourcePath` in `targetDirectory`.
std::string PartPath(std::string_view targetDirectory, std::string_view sourcePath, int index);

// The number a name of the set carries: the text after the first "." of the
// file name must be exactly `letter` and two decimal digits.
std::optional<int> NumberFromName(std::string_view path, char letter);
// The index a part's name carries: the text after the first "." of the file
// name must be exactly "Z" (upper case) and two decimal digits.
std::optional<int> PartIndexFromName(std::string_view path);
// True when the file is a part: its name carries an index (above), and its
// first two bytes are a count and that same index (IsValidPlace). A file that cannot be opened, or
// has fewer than two bytes, is no part.
bool IsPartFile(const std::string& path);

}  // namespace fennimar
