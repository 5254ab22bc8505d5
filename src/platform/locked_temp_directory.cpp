#include "platform/locked_temp_directory.h"

#include "platform/dead_run_directory.h"
#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/temporary_files.h"

namespace fennimar {
namespace {

// The length of the unique part TempDirectory adds to the prefix.
constexpr std::size_t kUniqueLength = 6;
constexpr int kAttempts = 5;

void RemoveDeadDirectories(const std::string& prefix) {
  std::string parent = TemporaryParent();
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
    // Another run's clean-up may have locked the new directory before this
    // run could, and removed it: a directory still there with the lock held
    // is this run's own. Where there are no locks, no run removes another's.
    if (lock->state() != DirectoryLock::State::kBusy &&
        (KindOf(directory->Path()) == EntryKind::kDirectory)) {
      return LockedTempDirectory(std::move(lock), std::move(*directory));
    }
  }
  return SystemError::OfKind("cannot keep a temporary directory", ErrorKind::kNotFound);
}

}  // namespace fennimar
