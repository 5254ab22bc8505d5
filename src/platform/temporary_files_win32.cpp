// Temporary files on Windows, in the user's temporary directory.
#include "platform/temporary_files_win32.h"

#include <windows.h>

#include <random>
#include <string_view>

#include "platform/path.h"
#include "platform/temporary_files.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

constexpr int kAttempts = 100;

}  // namespace

std::wstring TempDirectoryPath() {
  wchar_t directory[MAX_PATH + 1];
  DWORD length = ::GetTempPathW(MAX_PATH + 1, directory);
  return std::wstring(directory, length <= MAX_PATH ? length : 0);
}

std::string TemporaryParent() {
  std::wstring directory = TempDirectoryPath();
  if (!directory.empty()) directory.pop_back();  // the separator
  return NarrowText(directory);
}

void RemoveEntriesIn(const std::wstring& directory, int depth) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = directory + L"\\" + std::wstring(name);
    DWORD attributes = found.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileW(path.c_str());
      continue;
    }
    if (depth > 0 && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      RemoveEntriesIn(path, depth - 1);
    }
    ::RemoveDirectoryW(path.c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

Result<TempFile> TempFile::Create(const std::string& prefix) {
  std::wstring directory = TempDirectoryPath();
  wchar_t name[MAX_PATH + 1];
  if (directory.empty() ||
      ::GetTempFileNameW(directory.c_str(), WideText(prefix).c_str(), 0, name) == 0) {
    return SystemError::Last("cannot create a temporary file");
  }
  return TempFile(NarrowText(name));
}

TempFile::~TempFile() {
  if (!path_.empty()) ::DeleteFileW(WideText(path_).c_str());
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

// A random name, created exclusively: CreateDirectoryW fails on any entry
// already there.
Result<TempDirectory> TempDirectory::Create(const std::string& prefix) {
  std::wstring parent = TempDirectoryPath();
  if (parent.empty()) return SystemError::Last("cannot create a temporary directory");
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::wstring unique = std::to_wstring(1000000 + random() % 1000000).substr(1);
    std::wstring path = parent + WideText(prefix) + unique;
    if (::CreateDirectoryW(path.c_str(), nullptr)) return TempDirectory(NarrowText(path));
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return SystemError::Last("cannot create a temporary directory");
}

TempDirectory::~TempDirectory() {
  if (path_.empty()) return;
  std::wstring path = WidePath(path_);
  RemoveEntriesIn(path, 1);
  ::RemoveDirectoryW(path.c_str());
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept
    : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
