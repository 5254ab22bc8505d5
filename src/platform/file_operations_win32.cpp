// What the program does to a file by its name, on Windows.
#include <windows.h>

#include "platform/file_operations.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

Result<void> Done(bool succeeded, const char* step) {
  if (!succeeded) return SystemError::Last(step);
  return {};
}

// Seconds since 1970 as a FILETIME: 100-nanosecond steps since 1601.
FILETIME FileTimeOf(std::int64_t seconds) {
  constexpr std::int64_t kEpochDifference = 11644473600;
  auto ticks = static_cast<std::uint64_t>((seconds + kEpochDifference) * 10000000);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

Result<void> RenameFile(const std::string& from, const std::string& to) {
  return Done(
      ::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0,
      "cannot rename");
}

Result<void> RenameNoReplace(const std::string& from, const std::string& to) {
  return Done(::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), 0) != 0, "cannot rename");
}

Result<void> RemoveFile(const std::string& path) {
  return Done(::DeleteFileW(WideText(path).c_str()) != 0, "cannot delete");
}

Result<void> SetFileTimes(const std::string& path, std::int64_t accessTime,
                          std::int64_t modifiedTime) {
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SystemError::Last("cannot set the times of");
  FILETIME access = FileTimeOf(accessTime), modified = FileTimeOf(modifiedTime);
  if (!::SetFileTime(handle, nullptr, &access, &modified)) {
    auto error = SystemError::Last("cannot set the times of");
    ::CloseHandle(handle);
    return error;
  }
  return Done(::CloseHandle(handle) != 0, "cannot set the times of");
}

}  // namespace fennimar
