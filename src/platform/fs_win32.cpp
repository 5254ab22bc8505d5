// File-system operations on Windows, over the UTF-16 ("W") functions.
#include <windows.h>
// After windows.h:
#include <io.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <utility>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

DWORD AttributesOf(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WideText(path).c_str());
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Seconds since 1970 as a FILETIME: 100-nanosecond steps since 1601.
FILETIME FileTimeOf(std::int64_t seconds) {
  constexpr std::int64_t kEpochDifference = 11644473600;
  auto ticks = static_cast<std::uint64_t>((seconds + kEpochDifference) * 10000000);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

std::optional<FileStatus> StatPath(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() ||
      !::GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  auto size = (std::int64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  auto ticks = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
               data.ftLastWriteTime.dwLowDateTime;
  auto modified = static_cast<std::int64_t>(ticks / 10000000) - 11644473600;
  return FileStatus{size, modified, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

bool PathExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EntryExists(const std::string& path) { return PathExists(path); }

bool IsWritable(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return true;
  }
  errno = EACCES;
  return false;
}

bool IsSymbolicLink(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  auto identity = IdentityOfHandle(handle);
  ::CloseHandle(handle);
  return identity;
}

std::optional<FileIdentity> EntryIdentityOf(const std::string& path) {
  HANDLE handle = ::CreateFileW(
      WideText(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  auto identity = IdentityOfHandle(handle);
  ::CloseHandle(handle);
  return identity;
}

std::optional<FileIdentity> IdentityOf(const File& file) {
  auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(file.Descriptor()));
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  return IdentityOfHandle(handle);
}

bool IsDeviceName(std::string_view name) {
  // The device names hold with any extension and regardless of case: NUL,
  // nul.txt and Com1.Z00 all name a device.
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (auto device : kPlain) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

EntryKind EntryKindOf(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kSymbolicLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kDirectory;
  return IsDeviceName(FileNameOf(path)) ? EntryKind::kOther : EntryKind::kRegular;
}

std::optional<unsigned> FileModeOf(const std::string&) { return std::nullopt; }

bool RenameFile(const std::string& from, const std::string& to) {
  return ::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
         0;
}

std::string ResolvedPath(const std::string& path) { return path; }

bool MakeDirectory(const std::string& path) {
  return ::CreateDirectoryW(WideText(path).c_str(), nullptr) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileW(WideText(path).c_str()) != 0; }

bool SetFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t modifiedTime) {
  HANDLE handle = ::CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILETIME access = FileTimeOf(accessTime), modified = FileTimeOf(modifiedTime);
  bool set = ::SetFileTime(handle, nullptr, &access, &modified) != 0;
  return ::CloseHandle(handle) && set;
}

std::optional<std::string> AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::wstring wide = WideText(path);
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  return NarrowText(full);
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(WideText(JoinPath(directory, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(NarrowText(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::string ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::string directory = DirectoryOf(NarrowText(path));
  // A program in the root of a drive: the root is "E:\", as "E:" alone
  // names the current directory on that drive.
  if (directory.size() == 2 && directory[1] == ':') directory += kPathSeparator;
  return directory;
}

std::optional<TempFile> TempFile::Create(const std::string& prefix) {
  wchar_t directory[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (::GetTempPathW(MAX_PATH + 1, directory) == 0 ||
      ::GetTempFileNameW(directory, WideText(prefix).c_str(), 0, name) == 0) {
    return std::nullopt;
  }
  return TempFile(NarrowText(name));
}

TempFile::~TempFile() {
  if (!path_.empty()) RemoveFile(path_);
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
