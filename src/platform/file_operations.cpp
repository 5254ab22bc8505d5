#include "platform/file_operations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_status.h"

namespace fennimar {
namespace {

Result<void> Done(bool succeeded, const char* step) {
  if (!succeeded) return SystemError::Last(step);
  return {};
}

}  // namespace

Result<void> RenameFile(const std::string& from, const std::string& to) {
  return Done(::rename(from.c_str(), to.c_str()) == 0, "cannot rename");
}

Result<void> RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return SystemError::Last("cannot rename");
  // A file system without the flag: a hard link cannot replace either, and
  // where links are missing too (FAT), a test just before the rename does.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return SystemError::Last("cannot rename");
  if (KindOf(to, Links::kTakeAsIs) != EntryKind::kNone) {
    return SystemError::OfKind("cannot rename", ErrorKind::kExists);
  }
  return RenameFile(from, to);
}

Result<void> RemoveFile(const std::string& path) {
  return Done(::unlink(path.c_str()) == 0, "cannot delete");
}

Result<void> MakeSymbolicLink(const std::string& target, const std::string& link) {
  return Done(::symlink(target.c_str(), link.c_str()) == 0, "cannot make a link");
}

Result<void> SetFileTimes(const std::string& path, std::int64_t accessTime,
                          std::int64_t modifiedTime) {
  struct timespec times[2] = {{static_cast<time_t>(accessTime), 0},
                              {static_cast<time_t>(modifiedTime), 0}};
  return Done(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0, "cannot set the times of");
}

}  // namespace fennimar
