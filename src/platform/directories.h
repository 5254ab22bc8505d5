// Directories: making one level, listing one, and the three the program
// finds itself in: the working directory, its own, and a path's real place.
#pragma once

#include <string>
#include <vector>

#include "platform/system_error.h"

namespace fennimar {

// Creates one directory level; its parent must exist.
Result<void> MakeDirectory(const std::string& path);
// The names in a directory, without "." and "..", in no particular order.
Result<std::vector<std::string>> DirectoryEntries(const std::string& directory);
// The path made absolute against the working directory ("" stays ""). Fails
// when it is relative and the working directory cannot be read (deleted, or
// beyond the process's root), since the path would then lead elsewhere.
Result<std::string> AbsolutePath(const std::string& path);
// The path with every symbolic link resolved; the path itself when it does
// not lead to an existing file.
std::string ResolvedPath(const std::string& path);
// The directory that holds the running program's file.
Result<std::string> ProgramDirectory();

}  // namespace fennimar
