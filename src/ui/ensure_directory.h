// EnsureDirectory: how a directory the user named comes to be there before
// anything is written into it. A split, a merge and the defaults dialog all
// ask the same question and tell the same failure through it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/user_interface.h"

namespace fennimar {

enum class DirectoryOutcome {
  kExists,    // it was a directory already; nothing was shown
  kCreated,   // the user said Yes and it was created
  kDeclined,  // the user said anything but Yes; nothing was created
  kFailed,    // the user said Yes and it could not be created, which was told
};

// Whether the question names the directory on a second line, for a dialog
// with more than one directory to ask about.
enum class DirectoryQuestion { kPlain, kNamesDirectory };

// When `directory` is not a directory, asks "Directory does not exist,
// create?" (Yes/No) under `caption` and on Yes creates that one level; a
// failure is shown as "Can not create directory" with the path and the
// system's reason, under the same caption. A regular file under the name is
// no directory: it is asked about, and its creation fails.
DirectoryOutcome EnsureDirectory(UserInterface& ui, const std::string& directory,
                                 std::string_view caption,
                                 DirectoryQuestion question = DirectoryQuestion::kPlain);

// True when the directory is there after EnsureDirectory.
constexpr bool DirectoryIsThere(DirectoryOutcome outcome) {
  return outcome == DirectoryOutcome::kExists || outcome == DirectoryOutcome::kCreated;
}

// How a run (whose outcomes have kCancelled and kFailed) ends after
// EnsureDirectory: none when the directory is there.
template <typename RunOutcome>
std::optional<RunOutcome> EndUnlessThere(DirectoryOutcome outcome) {
  if (DirectoryIsThere(outcome)) return std::nullopt;
  return outcome == DirectoryOutcome::kDeclined ? RunOutcome::kCancelled : RunOutcome::kFailed;
}

}  // namespace fennimar
