#include "platform/locked_temp_directory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/path.h"

namespace fennimar {
namespace {

// The length of the part mkdtemp fills in.
constexpr std::size_t kUniqueLength = 6;
constexpr int kAttempts = 5;

// Removes one directory of a run that ended without cleaning up: only a
// directory of this user (a link is not followed) whose lock is free. Its
// entries are removed through the opened directory, so that nothing can
// swap another directory in under the name meanwhile.
void RemoveIfDead(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid() ||
      ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  RemoveEntriesAt(fd, 1);
  ::rmdir(path.c_str());  // fails, harmlessly, if the name no longer holds this directory
  ::close(fd);
}

void RemoveDeadDirectories(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string parent = base && *base ? base : "/tmp";
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
