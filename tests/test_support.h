// Helpers shared by the tests: temporary directories, file contents, and
// small surgery on part files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fennimar::testing {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory, removed with everything in it at the end of its scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

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

// Runs a shell command, returning its exit status.
int Run(const std::string& command);
// True when running as root (needed to mount a tmpfs).
bool IsRoot();

}  // namespace fennimar::testing
