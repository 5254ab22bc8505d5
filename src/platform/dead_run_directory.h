// Each system's half of LockedTempDirectory's clean-up: the removal of one
// temporary directory that a run left behind when it ended without cleaning
// up.
#pragma once

#include <string>

namespace fennimar {

// Removes the directory at `path` with what it holds, if it is a directory
// (a link is not followed), the user's own, and its lock is free: no living
// run holds it. Otherwise leaves it alone.
void RemoveIfDead(const std::string& path);

}  // namespace fennimar
