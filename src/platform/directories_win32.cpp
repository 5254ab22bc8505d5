// Directories on Windows, over the UTF-16 ("W") functions.
#include <windows.h>

#include "platform/directories.h"
#include "platform/path.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

Result<void> MakeDirectory(const std::string& path) {
  if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
    return SystemError::Last("cannot create directory");
  }
  return {};
}

Result<std::vector<std::string>> DirectoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(WidePath(JoinPath(directory, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return SystemError::Last("cannot list directory");
  do {
    std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(NarrowText(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

Result<std::string> AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::wstring wide = WideText(path);
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return SystemError::Last("cannot read the working directory");
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  return NarrowText(full);
}

// The system's final name of what the path leads to, opened through every
// link; it comes in the \\?\ form, which is taken off again where the name
// does without it.
std::string ResolvedPath(const std::string& path) {
  HANDLE handle = ::CreateFileW(WidePath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring final(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(handle, final.data(), MAX_PATH, 0);
  if (length >= MAX_PATH) {
    final.resize(length);
    length = ::GetFinalPathNameByHandleW(handle, final.data(), length, 0);
  }
  ::CloseHandle(handle);
  if (length == 0 || length >= final.size()) return path;
  final.resize(length);
  std::wstring plain = final.starts_with(LR"(\\?\UNC\)") ? LR"(\\)" + final.substr(8)
                       : final.starts_with(LR"(\\?\)")   ? final.substr(4)
                                                         : final;
  // A long name keeps the form in which the system takes it.
  return NarrowText(plain.size() <= kClassicPathLimit ? plain : final);
}

Result<std::string> ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return SystemError::Last("cannot find the program's file");
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

}  // namespace fennimar
