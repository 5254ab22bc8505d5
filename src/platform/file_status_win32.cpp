// What is at a path, on Windows: attributes, sizes and times from the
// UTF-16 ("W") functions; a reparse point is the symbolic link.
#include <windows.h>

#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

std::optional<FileIdentity> IdentityOfPath(const std::string& path, Links links) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (links == Links::kTakeAsIs) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

Result<FileStatus> StatusOf(const std::string& path, Links links) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty()) return SystemError::OfKind("cannot read the status of", ErrorKind::kNotFound);
  if (!::GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data)) {
    return SystemError::Last("cannot read the status of");
  }
  FileStatus status;
  DWORD attributes = data.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && links == Links::kTakeAsIs) {
    status.kind = EntryKind::kSymbolicLink;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    status.kind = EntryKind::kDirectory;
  } else {
    status.kind = IsDeviceName(FileNameOf(path)) ? EntryKind::kOther : EntryKind::kRegular;
  }
  status.size =
      static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  auto ticks = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
               data.ftLastWriteTime.dwLowDateTime;
  status.modifiedTime = static_cast<std::int64_t>(ticks / 10000000) - 11644473600;
  if (auto identity = IdentityOfPath(path, links)) status.identity = *identity;
  return status;
}

EntryKind KindOf(const std::string& path, Links links) {
  auto status = StatusOf(path, links);
  return status ? status->kind : EntryKind::kNone;
}

Result<void> CheckWritable(const std::string& path) {
  DWORD attributes = ::GetFileAttributesW(WideText(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemError::Last("may not write");
  if (attributes & FILE_ATTRIBUTE_READONLY)
    return SystemError("may not write", ERROR_ACCESS_DENIED);
  return {};
}

}  // namespace fennimar
