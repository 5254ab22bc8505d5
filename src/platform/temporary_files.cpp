#include "platform/temporary_files.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/directories.h"

namespace fennimar {
namespace {

// "$TMPDIR/<prefix>XXXXXX" (TMPDIR defaulting to /tmp), terminated, for
// mkstemp and mkdtemp to fill in.
std::vector<char> TempPattern(const std::string& prefix) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern =
      (dir && *dir ? std::string(dir) : std::string("/tmp")) + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  return name;
}

}  // namespace

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
  // Only files are made in it; a link is removed, never followed.
  if (auto names = DirectoryEntries(path_)) {
    for (const std::string& name : *names) ::unlink((path_ + "/" + name).c_str());
  }
  ::rmdir(path_.c_str());
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept
    : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
