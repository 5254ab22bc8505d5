#include "platform/directories.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/path.h"

namespace fennimar {

Result<void> MakeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0) return SystemError::Last("cannot create directory");
  return {};
}

Result<std::vector<std::string>> DirectoryEntries(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return SystemError::Last("cannot list directory");
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

Result<std::string> AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == kPathSeparator) return path;
  // getcwd with a null buffer allocates one of the size the path needs.
  char* cwd = ::getcwd(nullptr, 0);
  if (!cwd) return SystemError::Last("cannot read the working directory");
  std::string directory(cwd);
  std::free(cwd);
  // A working directory beyond the process's root comes as "(unreachable)...".
  if (directory.empty() || directory[0] != kPathSeparator) {
    return SystemError::OfKind("cannot read the working directory", ErrorKind::kNotFound);
  }
  return JoinPath(directory, path);
}

std::string ResolvedPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

Result<std::string> ProgramDirectory() {
  char path[4096];
  ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return SystemError::Last("cannot find the program's file");
  return DirectoryOf(std::string_view(path, static_cast<std::size_t>(length)));
}

}  // namespace fennimar
