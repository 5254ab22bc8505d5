#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "format/part_format.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"

namespace fennimar::testing {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fennimar-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, Bytes(text.begin(), text.end()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
  Bytes bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

bool Exists(const std::string& path) { return (KindOf(path) != EntryKind::kNone); }

std::int64_t FileSize(const std::string& path) {
  auto st = StatusOf(path);
  return st ? st->size : -1;
}

std::int64_t ModifiedTime(const std::string& path) {
  auto st = StatusOf(path);
  return st ? st->modifiedTime : -1;
}

void SetModifiedTime(const std::string& path, std::int64_t seconds) {
  ASSERT_TRUE(SetFileTimes(path, seconds, seconds)) << path;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {
void PatchBytes(const std::string& path, std::size_t offset, const std::uint8_t* bytes,
                std::size_t size) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  ASSERT_TRUE(f.good()) << path;
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  ASSERT_TRUE(f.good()) << path;
}
}  // namespace

void FlipDataByte(const std::string& partPath, std::size_t dataOffset) {
  Bytes bytes = ReadFile(partPath);
  ASSERT_LT(kHeaderSize + dataOffset, bytes.size());
  std::uint8_t flipped = static_cast<std::uint8_t>(bytes[kHeaderSize + dataOffset] ^ 0x5A);
  PatchBytes(partPath, kHeaderSize + dataOffset, &flipped, 1);
}

void TruncatePart(const std::string& partPath, std::int64_t newLength) {
  ASSERT_EQ(::truncate(partPath.c_str(), newLength), 0) << partPath;
}

void SetHeaderByte(const std::string& partPath, std::size_t offset, std::uint8_t value) {
  PatchBytes(partPath, offset, &value, 1);
}

void SetHeaderField32(const std::string& partPath, std::size_t offset, std::int32_t value) {
  std::uint8_t bytes[4];
  EncodeFixed32(bytes, static_cast<std::uint32_t>(value));
  PatchBytes(partPath, offset, bytes, 4);
}

int Run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsRoot() { return ::geteuid() == 0; }

}  // namespace fennimar::testing
