#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/path.h"

namespace fennimar {

std::optional<FileStatus> StatPath(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStatus{st.st_size, st.st_mtim.tv_sec, S_ISDIR(st.st_mode)};
}

bool PathExists(const std::string& path) { return StatPath(path).has_value(); }

bool IsDirectory(const std::string& path) {
  auto st = StatPath(path);
  return st && st->isDirectory;
}

bool EntryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<FileIdentity> EntryIdentityOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<FileIdentity> IdentityOf(const File& file) {
  struct stat st {};
  if (::fstat(file.Descriptor(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

bool IsDeviceName(std::string_view) { return false; }

EntryKind EntryKindOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return EntryKind::kNone;
  if (S_ISREG(st.st_mode)) return EntryKind::kRegular;
  if (S_ISDIR(st.st_mode)) return EntryKind::kDirectory;
  if (S_ISLNK(st.st_mode)) return EntryKind::kSymbolicLink;
  return EntryKind::kOther;
}

std::optional<unsigned> FileModeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<unsigned>(st.st_mode & 07777);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string ResolvedPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWritable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return RenameResult::kRenamed;
  }
  if (errno == EEXIST) return RenameResult::kTargetExists;
  if (errno != EINVAL && errno != ENOSYS) return RenameResult::kFailed;
  // A file system without the flag: a hard link cannot replace either, and
  // where links are missing too (FAT), a test just before the rename does.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return RenameResult::kRenamed;
  }
  if (errno == EEXIST) return RenameResult::kTargetExists;
  if (PathExists(to)) return RenameResult::kTargetExists;
  return ::rename(from.c_str(), to.c_str()) == 0 ? RenameResult::kRenamed : RenameResult::kFailed;
}

bool SetFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t modifiedTime) {
  struct timespec times[2] = {{static_cast<time_t>(accessTime), 0},
                              {static_cast<time_t>(modifiedTime), 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::optional<std::string> AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == kPathSeparator) return path;
  // getcwd with a null buffer allocates one of the size the path needs.
  char* cwd = ::getcwd(nullptr, 0);
  if (!cwd) return std::nullopt;
  std::string directory(cwd);
  std::free(cwd);
  // A working directory beyond the process's root comes as "(unreachable)...".
  if (directory.empty() || directory[0] != kPathSeparator) return std::nullopt;
  return JoinPath(directory, path);
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

std::string ProgramDirectory() {
  char path[4096];
  ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return DirectoryOf(std::string_view(path, static_cast<std::size_t>(length)));
}

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

std::optional<TempFile> TempFile::Create(const std::string& prefix) {
  std::vector<char> name = TempPattern(prefix);
  int fd = ::mkstemp(name.data());
  if (fd < 0) return std::nullopt;
  ::close(fd);
  return TempFile(std::string(name.data()));
}

TempFile::~TempFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

std::optional<TempDirectory> TempDirectory::Create(const std::string& prefix) {
  std::vector<char> name = TempPattern(prefix);
  if (::mkdtemp(name.data()) == nullptr) return std::nullopt;
  return TempDirectory(std::string(name.data()));
}

TempDirectory::~TempDirectory() {
  if (path_.empty()) return;
  // Only files are made in it; a link is removed, never followed.
  for (const std::string& name : DirectoryEntries(path_)) {
    ::unlink((path_ + "/" + name).c_str());
  }
  ::rmdir(path_.c_str());
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept
    : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
