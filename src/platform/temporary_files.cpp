#include "platform/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/directories.h"

namespace fennimar {

std::string TemporaryParent() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? std::string(dir) : std::string("/tmp");
}

namespace {

// "$TMPDIR/<prefix>XXXXXX", terminated, for mkstemp and mkdtemp to fill in.
std::vector<char> TempPattern(const std::string& prefix) {
  std::string pattern = TemporaryParent() + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  return name;
}

// The entries of the open directory `fd`, but "." and "..".
std::vector<std::string> EntriesAt(int fd) {
  std::vector<std::string> names;
  int listed = ::dup(fd);
  DIR* directory = listed < 0 ? nullptr : ::fdopendir(listed);
  if (directory == nullptr) {
    if (listed >= 0) ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(directory)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(directory);
  return names;
}

}  // namespace

void RemoveEntriesAt(int directoryFd, int depth) {
  for (const std::string& name : EntriesAt(directoryFd)) {
    if (::unlinkat(directoryFd, name.c_str(), 0) == 0 || depth <= 0) continue;
    int inner = ::openat(directoryFd, name.c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (inner < 0) continue;
    RemoveEntriesAt(inner, depth - 1);
    ::close(inner);
    ::unlinkat(directoryFd, name.c_str(), AT_REMOVEDIR);
  }
}

Result<TempFile> TempFile::Create(const std::string& prefix) {
  std::vector<char> name = TempPattern(prefix);
  int fd = ::mkstemp(name.data());
  if (fd < 0) return SystemError::Last("cannot create a temporary file");
  ::close(fd);
  return TempFile(std::string(name.data()));
}

TempFile::~TempFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

Result<TempDirectory> TempDirectory::Create(const std::string& prefix) {
  std::vector<char> name = TempPattern(prefix);
  if (::mkdtemp(name.data()) == nullptr) {
    return SystemError::Last("cannot create a temporary directory");
  }
  return TempDirectory(std::string(name.data()));
}

TempDirectory::~TempDirectory() {
  if (path_.empty()) return;
  // Files, and directories of files, are made in it; a link is removed,
  // never followed.
  int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    RemoveEntriesAt(fd, 1);
    ::close(fd);
  }
  ::rmdir(path_.c_str());
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept
    : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
