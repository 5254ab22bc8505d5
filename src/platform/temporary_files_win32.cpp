// Temporary files on Windows, in the user's temporary directory.
#include <windows.h>

#include "platform/temporary_files.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

Result<TempFile> TempFile::Create(const std::string& prefix) {
  wchar_t directory[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (::GetTempPathW(MAX_PATH + 1, directory) == 0 ||
      ::GetTempFileNameW(directory, WideText(prefix).c_str(), 0, name) == 0) {
    return SystemError::Last("cannot create a temporary file");
  }
  return TempFile(NarrowText(name));
}

TempFile::~TempFile() {
  if (!path_.empty()) ::DeleteFileW(WideText(path_).c_str());
}

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}

}  // namespace fennimar
