#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "format/part_format.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/system_error_codes.h"

namespace fennimar::testing {

namespace {

// A UTF-8 path as the standard library's streams and directory functions
// take it: their narrow form would be the system's code page on Windows.
std::filesystem::path Native(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

#ifdef _WIN32
TempDir::TempDir() {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::filesystem::path candidate = base / ("fennimar-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = Utf8(candidate);
  }
  if (path_.empty()) throw std::runtime_error("cannot create a test directory");
}
#else
TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fennimar-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}
#endif

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(Native(path_), ignored);
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, Bytes(text.begin(), text.end()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(Native(path), std::ios::binary);
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
  for (const auto& entry : std::filesystem::directory_iterator(Native(path))) {
    names.push_back(Utf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {
void PatchBytes(const std::string& path, std::size_t offset, const std::uint8_t* bytes,
                std::size_t size) {
  std::fstream f(Native(path), std::ios::binary | std::ios::in | std::ios::out);
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
  SetFileSize(partPath, newLength);
}

void SetFileSize(const std::string& path, std::int64_t size) {
  std::error_code error;
  std::filesystem::resize_file(Native(path), static_cast<std::uintmax_t>(size), error);
  ASSERT_FALSE(error) << path;
}

void MakeDir(const std::string& path) { ASSERT_TRUE(MakeDirectory(path)) << path; }

bool MakeLink(const std::string& target, const std::string& link) {
  return bool(MakeSymbolicLink(target, link));
}

void SetHeaderByte(const std::string& partPath, std::size_t offset, std::uint8_t value) {
  PatchBytes(partPath, offset, &value, 1);
}

void SetHeaderField32(const std::string& partPath, std::size_t offset, std::int32_t value) {
  std::uint8_t bytes[4];
  EncodeFixed32(bytes, static_cast<std::uint32_t>(value));
  PatchBytes(partPath, offset, bytes, 4);
}

#ifdef _WIN32
std::string NoSuchFileText() { return TextOfCode(ERROR_FILE_NOT_FOUND); }
std::string NoSuchPathText() { return TextOfCode(ERROR_PATH_NOT_FOUND); }
std::string AlreadyExistsText() { return TextOfCode(ERROR_ALREADY_EXISTS); }

bool MakeFifo(const std::string&) { return false; }

int Run(const std::string& command) { return std::system(command.c_str()); }

bool IsRoot() { return false; }
#else
std::string NoSuchFileText() { return "No such file or directory"; }
std::string NoSuchPathText() { return "No such file or directory"; }
std::string AlreadyExistsText() { return "File exists"; }

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

int Run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool IsRoot() { return ::geteuid() == 0; }
#endif

}  // namespace fennimar::testing
