// LockedTempDirectory: a private temporary directory (TempDirectory) on which
// its run holds a DirectoryLock for the directory's whole life. The kernel
// releases the lock however the run ends, so a directory of the same prefix
// whose lock is free is the remains of a run that was killed; Create removes
// those before it makes its own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/directory_lock.h"
#include "platform/temporary_files.h"

namespace fennimar {

class LockedTempDirectory {
 public:
  // Removes this user's unlocked directories "<prefix>XXXXXX" in $TMPDIR (default
  // /tmp), then creates and locks a new one.
  static Result<LockedTempDirectory> Create(const std::string& prefix);

  const std::string& Path() const { return directory_.Path(); }

 private:
  LockedTempDirectory(std::unique_ptr<DirectoryLock> lock, TempDirectory directory)
      : lock_(std::move(lock)), directory_(std::move(directory)) {}

  // Declared first, so released only after the directory is removed.
  std::unique_ptr<DirectoryLock> lock_;
  TempDirectory directory_;
};

}  // namespace fennimar
