// PartDigests: the SHA-256 digests a manifest holds, computed on threads of
// their own while a split goes on writing or a join goes on joining. Each
// part is read once it is complete under its name (from the page cache,
// where it has just been written or read): the whole file gives the part's
// digest, and the data after each header, in part order, gives the joined
// file's. The copy loop is left as it is, so its speed and the bytes it
// writes do not change; the reading threads only compete for the second
// core.
//
// The parts must be handed over in index order, each complete and not
// changed afterwards (until Wait() has returned, on removable disks).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "format/manifest.h"
#include "format/sha256.h"
#include "platform/system_error.h"

namespace fennimar {

class PartDigests {
 public:
  PartDigests();
  // Stops the threads; digests not yet taken are dropped.
  ~PartDigests();
  PartDigests(const PartDigests&) = delete;
  PartDigests& operator=(const PartDigests&) = delete;

  // Queues the part at `path`, named in the manifest by its file name.
  void Add(const std::string& path);
  // Waits until every queued part has been read. Afterwards the parts may be
  // taken away (a removable disk swapped).
  void Wait();
  // Waits at most `timeout`; true when every queued part has been read. For
  // a caller that keeps its window painted and Stop seen while it waits.
  bool WaitFor(std::chrono::milliseconds timeout);
  // Waits, then gives the manifest of the parts in order and, last, the
  // joined file under `joinedName`; or the first failure to read a part.
  Result<Manifest> Finish(const std::string& joinedName);

 private:
  // One thread that reads the queued parts in order, each into one stream
  // of its own (the parts' digests) or all into one (the joined data's).
  // The two digests of every byte are computed on two threads, so that on
  // two cores they take the time of one.
  class Reader {
   public:
    explicit Reader(bool joinedData);
    ~Reader();
    void Add(const std::string& path);
    void Wait();
    bool WaitFor(std::chrono::milliseconds timeout);
    // After Wait(): the parts' digests, or the joined data's (one entry).
    Result<Manifest> Take(const std::string& joinedName);

   private:
    void Work();
    Result<void> Read(const std::string& path);

    const bool joinedData_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;  // guarded by mutex_
    bool busy_ = false;              // guarded by mutex_: a part is being read
    bool stopping_ = false;          // guarded by mutex_
    // Set with stopping_, read between blocks: a part of 2 GiB being read
    // does not hold up the end of a run that was stopped.
    std::atomic<bool> abandon_ = false;
    // Only the thread touches these until Wait() has returned.
    Sha256 joined_;
    Manifest manifest_;
    std::optional<SystemError> failure_;
    std::thread thread_;  // started last, joined first
  };

  Reader parts_{false};
  Reader joined_{true};
};

// The digest of the whole file at `path`.
Result<Sha256Digest> DigestFile(const std::string& path);

}  // namespace fennimar
