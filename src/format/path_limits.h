// The longest paths the program takes: what the dialogs' directory and path
// fields hold, and what a split or a merge accepts as the selected file. The
// desktop dialogs, the engines and the terminal front ends all measure
// against these, so a path one of them takes is never cut by another. They
// are the system's own limit (PATH_MAX on Linux), not a rule of the part
// format: only the name stored in a part header has a width of its own.
#pragma once

#include <cstddef>

namespace fennimar {

// The longest path the system opens, in bytes.
inline constexpr std::size_t kMaxPathLength = 4096;

// A directory field (split, merge, defaults) and the disk prompt's path
// field keep at most this many characters; a longer directory given on a
// command line is refused rather than cut into another one.
inline constexpr std::size_t kMaxDirectoryLength = kMaxPathLength;
// A selected file with a longer path is refused before any dialog opens.
inline constexpr std::size_t kMaxSelectedPathLength = kMaxPathLength;

}  // namespace fennimar
