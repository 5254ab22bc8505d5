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

// MOVEFILE_WRITE_THROUGH returns only once the new name is on the device,
// as the directory's fsync does on Linux.
Result<void> RenameFile(const std::string& from, const std::string& to) {
  return Done(::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0,
              "cannot rename");
}

Result<void> RenameNoReplace(const std::string& from, const std::string& to) {
  return Done(
      ::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0,
      "cannot rename");
}

// A link to a directory is itself a directory entry, removed as one.
Result<void> RemoveFile(const std::string& path) {
  std::wstring wide = WidePath(path);
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Done(::RemoveDirectoryW(wide.c_str()) != 0, "cannot delete");
  }
  return Done(::DeleteFileW(wide.c_str()) != 0, "cannot delete");
}

// Since Windows 10 in developer mode a user may make links without the
// privilege when asking so; older systems refuse the flag itself.
Result<void> MakeSymbolicLink(const std::string& target, const std::string& link) {
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  std::wstring wideTarget = WideText(target), wideLink = WidePath(link);
  DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
  DWORD flags = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? SYMBOLIC_LINK_FLAG_DIRECTORY
                    : 0;
  bool made = ::CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(), flags | kUnprivileged);
  if (!made && ::GetLastError() != ERROR_INVALID_PARAMETER) {
    return SystemError::Last("cannot make a link");
  }
  if (!made && !::CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(), flags)) {
    return SystemError::Last("cannot make a link");
  }
  // Some systems that only resemble Windows (wine) say yes and make nothing.
  if (::GetFileAttributesW(wideLink.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return SystemError("cannot make a link", ERROR_NOT_SUPPORTED);
  }
  return {};
}

Result<void> SetFileTimes(const std::string& path, std::int64_t accessTime,
                          std::int64_t modifiedTime) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
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
