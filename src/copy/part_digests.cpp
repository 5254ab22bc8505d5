#include "copy/part_digests.h"

#include <algorithm>
#include <vector>

#include "format/part_format.h"
#include "platform/file.h"
#include "platform/path.h"

namespace fennimar {
namespace {

// Large enough that the read calls cost little beside the hashing, small
// enough to stay in the second-level cache between the read and the hash.
constexpr std::size_t kDigestBlockSize = 256 * 1024;

}  // namespace

PartDigests::PartDigests() : thread_([this] { Work(); }) {}

PartDigests::~PartDigests() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

void PartDigests::Add(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(path);
  }
  changed_.notify_all();
}

void PartDigests::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

Result<Manifest> PartDigests::Finish(const std::string& joinedName) {
  Wait();
  if (failure_) return *failure_;
  Manifest manifest = manifest_;
  manifest.entries.push_back({joinedName, joined_.Finish()});
  return manifest;
}

void PartDigests::Work() {
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
      auto digest = DigestPart(path);
      if (digest) {
        manifest_.entries.push_back({FileNameOf(path), *digest});
      } else {
        failure_ = digest.error();
      }
    }
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    changed_.notify_all();
  }
}

Result<Sha256Digest> PartDigests::DigestPart(const std::string& path) {
  auto part = File::OpenRead(path);
  if (!part) return part.error();
  Sha256 whole;
  std::vector<char> block(kDigestBlockSize);
  std::size_t header = kHeaderSize;  // header bytes still to pass
  for (;;) {
    auto got = part->Read(block.data(), block.size());
    if (!got) return got.error();
    if (*got == 0) break;
    whole.Add(block.data(), *got);
    std::size_t skip = std::min(header, *got);
    header -= skip;
    joined_.Add(block.data() + skip, *got - skip);
    if (*got < block.size()) break;
  }
  return whole.Finish();
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
