// The temporary directory's steps that the platform's Windows files share.
#pragma once

#include <string>

namespace fennimar {

// The user's temporary directory (GetTempPathW), ending in a separator;
// empty when the system cannot tell.
std::wstring TempDirectoryPath();

// Removes what a directory holds: files and links, and directories `depth`
// levels down with what they hold. A link (a reparse point) is removed
// itself, never followed. Windows' counterpart of RemoveEntriesAt.
void RemoveEntriesIn(const std::wstring& directory, int depth);

}  // namespace fennimar
