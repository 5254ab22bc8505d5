// On Windows every directory in the user's own temporary directory is this
// user's.
#include <windows.h>

#include "platform/dead_run_directory.h"
#include "platform/directory_lock.h"
#include "platform/file_status.h"
#include "platform/temporary_files_win32.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

void RemoveIfDead(const std::string& path) {
  if (KindOf(path, Links::kTakeAsIs) != EntryKind::kDirectory) return;
  DirectoryLock lock(path);
  if (lock.state() != DirectoryLock::State::kHeld) return;
  std::wstring wide = WidePath(path);
  RemoveEntriesIn(wide, 1);
  ::RemoveDirectoryW(wide.c_str());  // gone once the lock's handle closes
}

}  // namespace fennimar
