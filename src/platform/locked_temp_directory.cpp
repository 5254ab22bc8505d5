#include "platform/locked_temp_directory.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/path.h"

namespace fennimar {
namespace {

// The length of the part mkdtemp fills in.
constexpr std::size_t kUniqueLength = 6;
constexpr int kAttempts = 5;

// Removes the directories of runs that ended without cleaning up: only
// directories (a link is not followed), and only those whose lock is free.
// Their entries are unlinked, never followed.
void RemoveDeadDirectories(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string parent = base && *base ? base : "/tmp";
  for (const std::string& name : DirectoryEntries(parent)) {
    if (name.size() != prefix.size() + kUniqueLength ||
        name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    std::string path = JoinPath(parent, name);
    if (EntryKindOf(path) != EntryKind::kDirectory) continue;
    DirectoryLock lock(path);
    if (lock.state() != DirectoryLock::State::kHeld) continue;
    for (const std::string& entry : DirectoryEntries(path)) ::unlink(JoinPath(path, entry).c_str());
    ::rmdir(path.c_str());
  }
}

}  // namespace

std::optional<LockedTempDirectory> LockedTempDirectory::Create(const std::string& prefix) {
  RemoveDeadDirectories(prefix);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    auto directory = TempDirectory::Create(prefix);
    if (!directory) return std::nullopt;
    auto lock = std::make_unique<DirectoryLock>(directory->Path());
    // Another run's clean-up may have locked the new directory before this
    // run could, and removed it: a directory still there with the lock held
    // is this run's own. Where there are no locks, no run removes another's.
    if (lock->state() != DirectoryLock::State::kBusy && IsDirectory(directory->Path())) {
      return LockedTempDirectory(std::move(lock), std::move(*directory));
    }
  }
  return std::nullopt;
}

}  // namespace fennimar
