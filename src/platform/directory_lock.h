// DirectoryLock: one writer at a time in a directory. A split or a merge holds
// an advisory lock (flock; LockFileEx on Windows) on the directory that
// receives its files for the whole run, so that two runs never write the same
// names at once and a file left under a temporary name there can only be the
// remains of a run that ended without cleaning up. The lock is tried once and
// never waited for; the kernel releases it when the holder ends, however it
// ends.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

// What a split or a merge tells the user when the lock is busy.
inline constexpr std::string_view kDirectoryBusyText =
    "Another split or merge is writing into this directory, try again when it has finished";

class DirectoryLock {
 public:
  enum class State {
    kHeld,         // this run is the directory's only writer
    kBusy,         // another run holds the lock
    kUnavailable,  // the directory cannot be opened or its file system has no locks
  };

  // Tries to lock the directory.
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  State state() const { return state_; }

 private:
  int fd_ = -1;
  // On Windows, where a directory's file system takes no byte-range lock:
  // the named semaphore that stands for the lock instead.
  void* standIn_ = nullptr;
  State state_ = State::kUnavailable;
};

}  // namespace fennimar
