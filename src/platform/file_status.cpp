#include "platform/file_status.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace fennimar {
namespace {

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kRegular;
  if (S_ISDIR(mode)) return EntryKind::kDirectory;
  if (S_ISLNK(mode)) return EntryKind::kSymbolicLink;
  return EntryKind::kOther;
}

}  // namespace

Result<FileStatus> StatusOf(const std::string& path, Links links) {
  struct stat st {};
  int result = links == Links::kFollow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (result != 0) return SystemError::Last("cannot read the status of");
  return FileStatus{KindOfMode(st.st_mode), st.st_size, st.st_mtim.tv_sec,
                    static_cast<unsigned>(st.st_mode & 07777), FileIdentity{st.st_dev, st.st_ino}};
}

EntryKind KindOf(const std::string& path, Links links) {
  auto status = StatusOf(path, links);
  return status ? status->kind : EntryKind::kNone;
}

Result<void> CheckWritable(const std::string& path) {
  if (::access(path.c_str(), W_OK) != 0) return SystemError::Last("may not write");
  return {};
}

}  // namespace fennimar
