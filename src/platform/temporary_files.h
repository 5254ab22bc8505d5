// Temporary files and directories in $TMPDIR (default /tmp; on Windows the
// user's temporary directory, GetTempPathW), removed when their owner goes
// out of scope.
#pragma once

#include <string>
#include <utility>

#include "platform/system_error.h"

namespace fennimar {

// The directory temporary files and directories go into: $TMPDIR, or /tmp;
// on Windows the user's temporary directory. Empty when the system cannot
// tell.
std::string TemporaryParent();

// A temporary file, created with mkstemp and deleted by its owner.
class TempFile {
 public:
  static Result<TempFile> Create(const std::string& prefix);
  ~TempFile();
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&&) = delete;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& Path() const { return path_; }

 private:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

// Removes what the open directory `directoryFd` holds: files and links, and
// directories `depth` levels down with what they hold. Links are never
// followed. For the platform's own removal of temporary directories (on
// Linux; Windows removes them by name).
void RemoveEntriesAt(int directoryFd, int depth);

// A private directory, created with mkdtemp and removed by its owner with
// the files in it, and the directories in it with theirs.
class TempDirectory {
 public:
  static Result<TempDirectory> Create(const std::string& prefix);
  ~TempDirectory();
  TempDirectory(TempDirectory&& other) noexcept;
  TempDirectory& operator=(TempDirectory&&) = delete;
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return path_; }

 private:
  explicit TempDirectory(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace fennimar
