// LockedTempDirectory on Windows: the same life as on Linux, in the user's
// own temporary directory, so every directory found there is this user's.
#include <windows.h>

#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/locked_temp_directory.h"
#include "platform/path.h"
#include "platform/temporary_files_win32.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// The length of the digits TempDirectory adds to the prefix.
constexpr std::size_t kUniqueLength = 6;
constexpr int kAttempts = 5;

// Removes one directory of a run that ended without cleaning up: one whose
// lock is free, and no link.
void RemoveIfDead(const std::string& path) {
  if (KindOf(path, Links::kTakeAsIs) != EntryKind::kDirectory) return;
  DirectoryLock lock(path);
  if (lock.state() != DirectoryLock::State::kHeld) return;
  std::wstring wide = WidePath(path);
  RemoveEntriesIn(wide, 1);
  ::RemoveDirectoryW(wide.c_str());  // gone once the lock's handle closes
}

void RemoveDeadDirectories(const std::string& prefix) {
  std::string parent = NarrowText(TempDirectoryPath());
  if (parent.empty()) return;
  auto names = DirectoryEntries(parent);
  if (!names) return;
  for (const std::string& name : *names) {
    if (name.size() == prefix.size() + kUniqueLength && name.starts_with(prefix)) {
      RemoveIfDead(JoinPath(parent, name));
    }
  }
}

}  // namespace

Result<LockedTempDirectory> LockedTempDirectory::Create(const std::string& prefix) {
  RemoveDeadDirectories(prefix);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    auto directory = TempDirectory::Create(prefix);
    if (!directory) return directory.error();
    auto lock = std::make_unique<DirectoryLock>(directory->Path());
    if (lock->state() != DirectoryLock::State::kBusy &&
        (KindOf(directory->Path()) == EntryKind::kDirectory)) {
      return LockedTempDirectory(std::move(lock), std::move(*directory));
    }
  }
  return SystemError::OfKind("cannot keep a temporary directory", ErrorKind::kNotFound);
}

}  // namespace fennimar
