// What the program does to a file by its name: rename, remove, link, set its
// times.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace fennimar {

// Replaces `to` by `from` in one step; a link at `to` is replaced, never
// followed.
Result<void> RenameFile(const std::string& from, const std::string& to);
// Gives `from` the name `to` unless an entry of that name exists, which fails
// with ErrorKind::kExists.
Result<void> RenameNoReplace(const std::string& from, const std::string& to);
// Deletes a file (a link, not what it names).
Result<void> RemoveFile(const std::string& path);
// Creates a symbolic link `link` that points at `target`.
Result<void> MakeSymbolicLink(const std::string& target, const std::string& link);
// Sets access and modification time of a file to the given seconds.
Result<void> SetFileTimes(const std::string& path, std::int64_t accessTime,
                          std::int64_t modifiedTime);

}  // namespace fennimar
