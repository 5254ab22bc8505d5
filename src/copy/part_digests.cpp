#include "copy/part_digests.h"

#include <algorithm>
#include <vector>

#include "format/part_format.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/thread_priority.h"

namespace fennimar {
namespace {

// Large enough that the read calls cost little beside the hashing, small
// enough to stay in the second-level cache between the read and the hash.
constexpr std::size_t kDigestBlockSize = 256 * 1024;

}  // namespace

PartDigests::PartDigests() = default;
PartDigests::~PartDigests() = default;

void PartDigests::Add(const std::string& path) {
  parts_.Add(path);
  joined_.Add(path);
}

void PartDigests::Wait() {
  parts_.Wait();
  joined_.Wait();
}

bool PartDigests::WaitFor(std::chrono::milliseconds timeout) {
  return parts_.WaitFor(timeout) && joined_.WaitFor(timeout);
}

Result<Manifest> PartDigests::Finish(const std::string& joinedName) {
  Wait();
  auto parts = parts_.Take(joinedName);
  auto joined = joined_.Take(joinedName);
  if (!parts) return parts.error();
  if (!joined) return joined.error();
  parts->entries.push_back(joined->entries.front());
  return parts;
}

PartDigests::Reader::Reader(bool joinedData)
    : joinedData_(joinedData), thread_([this] { Work(); }) {}

PartDigests::Reader::~Reader() {
  abandon_ = true;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void PartDigests::Reader::Add(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(path);
  }
  changed_.notify_all();
}

void PartDigests::Reader::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

bool PartDigests::Reader::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return queue_.empty() && !busy_; });
}

Result<Manifest> PartDigests::Reader::Take(const std::string& joinedName) {
  if (failure_) return *failure_;
  if (!joinedData_) return std::move(manifest_);
  Manifest joined;
  joined.entries.push_back({joinedName, joined_.Finish()});
  return joined;
}

void PartDigests::Reader::Work() {
  LowerThisThreadsPriority();
  for (;;) {
    std::string path;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      path = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
    }
    // After a failure the rest is only drained: the manifest is not written.
    if (!failure_) {
      if (auto read = Read(path); !read) failure_ = read.error();
    }
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    changed_.notify_all();
  }
}

Result<void> PartDigests::Reader::Read(const std::string& path) {
  auto part = File::OpenRead(path);
  if (!part) return part.error();
  Sha256 whole;
  std::vector<char> block(kDigestBlockSize);
  // The joined data is every part's bytes after its header.
  std::size_t header = joinedData_ ? kHeaderSize : 0;
  if (header != 0) {
    if (auto skipped = part->Seek(static_cast<std::int64_t>(header)); !skipped) {
      return skipped.error();
    }
  }
  for (;;) {
    if (abandon_) return {};  // nobody takes the digests
    auto got = part->Read(block.data(), block.size());
    if (!got) return got.error();
    (joinedData_ ? joined_ : whole).Add(block.data(), *got);
    if (*got < block.size()) break;
  }
  if (!joinedData_) manifest_.entries.push_back({FileNameOf(path), whole.Finish()});
  return {};
}

Result<Sha256Digest> DigestFile(const std::string& path) {
  auto file = File::OpenRead(path);
  if (!file) return file.error();
  Sha256 sha;
  std::vector<char> block(kDigestBlockSize);
  for (;;) {
    auto got = file->Read(block.data(), block.size());
    if (!got) return got.error();
    sha.Add(block.data(), *got);
    if (*got < block.size()) break;
  }
  return sha.Finish();
}

}  // namespace fennimar
