// The download directory on Windows: the user's known folder for downloads,
// wherever the user has moved it.
#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/download_directory.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

std::string DownloadDirectory() {
  wchar_t* path = nullptr;
  std::string directory;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &path))) {
    directory = NarrowText(path);
  }
  ::CoTaskMemFree(path);  // also when the call failed
  return directory;
}

}  // namespace fennimar
