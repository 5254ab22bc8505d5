// DirectoryLock on Windows: an exclusive byte-range lock (LockFileEx) on a
// handle of the directory itself, tried once and never waited for; the
// system releases it when the handle closes, however the run ends. Where the
// file system takes no lock on a directory, a named semaphore of one count,
// named after the directory's identity, stands in for it: it serves the runs
// of this machine, and vanishes with the last handle, so with the holder.
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <string>

#include "platform/directory_lock.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// The semaphore of the directory open as `handle`; null when the directory's
// identity cannot be read.
HANDLE StandInOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return nullptr;
  std::wstring name =
      L"Global\\Fennimar-directory-" + std::to_wstring(info.dwVolumeSerialNumber) + L"-" +
      std::to_wstring((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
  return ::CreateSemaphoreW(nullptr, 1, 1, name.c_str());
}

}  // namespace

DirectoryLock::DirectoryLock(const std::string& directory) {
  // Others may go on reading, writing and renaming in the directory: only
  // another lock is refused.
  HANDLE handle = ::CreateFileW(WidePath(directory).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  OVERLAPPED start{};
  if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
    state_ = State::kHeld;
  } else if (::GetLastError() == ERROR_LOCK_VIOLATION) {
    state_ = State::kBusy;
  } else if (HANDLE standIn = StandInOf(handle)) {
    if (::WaitForSingleObject(standIn, 0) == WAIT_OBJECT_0) {
      state_ = State::kHeld;
      standIn_ = standIn;
    } else {
      state_ = State::kBusy;
      ::CloseHandle(standIn);  // only holders keep it, so it ends with them
    }
  }
  fd_ = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY);
  if (fd_ < 0) {
    ::CloseHandle(handle);
    if (!standIn_) state_ = State::kUnavailable;
  }
}

DirectoryLock::~DirectoryLock() {
  // Closing the handles releases the lock.
  if (standIn_) {
    ::ReleaseSemaphore(standIn_, 1, nullptr);
    ::CloseHandle(standIn_);
  }
  if (fd_ >= 0) ::_close(fd_);
}

}  // namespace fennimar
