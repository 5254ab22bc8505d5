// Temporary files and directories in $TMPDIR (default /tmp), removed when
// their owner goes out of scope.
#pragma once

#include <string>
#include <utility>

#include "platform/system_error.h"

namespace fennimar {

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

// A private directory, created with mkdtemp and removed by its owner with
// the files in it.
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
