// Helpers shared by the tests: temporary directories, file contents, and
// small surgery on part files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/path.h"

namespace fennimar::testing {

using Bytes = std::vector<std::uint8_t>;

// The system's separator as text, to build the paths the engines show.
inline const std::string kSeparator(1, kPathSeparator);

// A fresh directory, removed with everything in it at the end of its scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + kPathSeparator + name; }

 private:
  std::string path_;
};

Bytes RandomBytes(std::size_t size, std::uint32_t seed);
void WriteFile(const std::string& path, const Bytes& bytes);
void WriteFile(const std::string& path, const std::string& text);
Bytes ReadFile(const std::string& path);
std::string ReadText(const std::string& path);
bool Exists(const std::string& path);
std::int64_t FileSize(const std::string& path);
std::int64_t ModifiedTime(const std::string& path);
void SetModifiedTime(const std::string& path, std::int64_t seconds);
// The names in a directory, sorted.
std::vector<std::string> ListDir(const std::string& path);

// Part-file surgery.
void FlipDataByte(const std::string& partPath, std::size_t dataOffset);
void TruncatePart(const std::string& partPath, std::int64_t newLength);
void SetHeaderByte(const std::string& partPath, std::size_t offset, std::uint8_t value);
void SetHeaderField32(const std::string& partPath, std::size_t offset, std::int32_t value);

// What the system may lack. MakeFifo fails on Windows, which has no FIFOs;
// MakeLink fails there for a user without the privilege to make links. The
// macros skip the running test, by name, where that is so, and fail it
// where the system should have done it.
bool MakeFifo(const std::string& path);
bool MakeLink(const std::string& target, const std::string& link);
#ifdef _WIN32
#define FENNIMAR_SKIP_OR_FAIL(what) GTEST_SKIP() << what << " cannot be made on Windows here"
#else
#define FENNIMAR_SKIP_OR_FAIL(what) FAIL() << what << " cannot be made"
#endif
#define FENNIMAR_MAKE_FIFO(path) \
  if (!::fennimar::testing::MakeFifo(path)) FENNIMAR_SKIP_OR_FAIL("a FIFO")
#define FENNIMAR_MAKE_LINK(target, link) \
  if (!::fennimar::testing::MakeLink(target, link)) FENNIMAR_SKIP_OR_FAIL("a symbolic link")

// One directory level, and a file's length set (sparse where it grows).
void MakeDir(const std::string& path);
void SetFileSize(const std::string& path, std::int64_t size);

// The system's own words, as the user sees them after a path: for a file
// that is not there, for a directory on its way that is not there, and for
// an entry that already is.
std::string NoSuchFileText();
std::string NoSuchPathText();
std::string AlreadyExistsText();

// The independent readers and writers are Python programs of the build
// machine, which a Windows test program cannot start.
#ifdef _WIN32
#define FENNIMAR_NEEDS_PYTHON() GTEST_SKIP() << "the Python peer runs on the build machine only"
#else
#define FENNIMAR_NEEDS_PYTHON() (void)0
#endif

// Runs a shell command, returning its exit status.
int Run(const std::string& command);
// True when running as root (needed to mount a tmpfs).
bool IsRoot();

}  // namespace fennimar::testing
