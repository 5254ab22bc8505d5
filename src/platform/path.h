// Textual path rules. The separator is one constant (the system's own); the rules that cut a
// path into directory, file name and stem work on text alone.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kRootDirectory = "\\";
// Windows takes the slash as a separator too, so a path may hold both.
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kRootDirectory = "/";
inline constexpr std::string_view kPathSeparators = "/";
#endif

// The last path component: the text after the last separator (any of
// kPathSeparators; the whole path when it has none).
std::string FileNameOf(std::string_view path);
// The text before the last separator; empty when there is none.
std::string DirectoryOf(std::string_view path);
// Joins a directory and a name: the root and a directory already ending in a
// separator take the name directly, any other directory gets one separator.
std::string JoinPath(std::string_view directory, std::string_view name);
// True when the system gives the name to a device in every directory, so that
// a file of that name cannot be created there (CON, NUL, COM1 on Windows).
bool IsDeviceName(std::string_view name);

}  // namespace fennimar
