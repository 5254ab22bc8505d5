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
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), 0,
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

// The directory listing's data of the entry itself, without following it.
bool EntryOfListing(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  // A wildcard would match other entries; no name holds one.
  if (path.find_first_of("*?") != std::string::npos) return false;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(WidePath(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  data.dwFileAttributes = found.dwFileAttributes;
  data.ftLastWriteTime = found.ftLastWriteTime;
  data.nFileSizeHigh = found.nFileSizeHigh;
  data.nFileSizeLow = found.nFileSizeLow;
  return true;
}

}  // namespace

Result<FileStatus> StatusOf(const std::string& path, Links links) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty()) return SystemError::OfKind("cannot read the status of", ErrorKind::kNotFound);
  if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
    auto error = SystemError::Last("cannot read the status of");
    // A link that leads nowhere is still an entry of its directory, as its
    // listing shows.
    if (links != Links::kTakeAsIs || !EntryOfListing(path, data)) return error;
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
  DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return SystemError::Last("may not write");
  if (attributes & FILE_ATTRIBUTE_READONLY)
    return SystemError("may not write", ERROR_ACCESS_DENIED);
  return {};
}

}  // namespace fennimar
