#include "platform/pending_file.h"

#include <utility>

#include "platform/fs.h"

namespace fennimar {

std::string PendingFile::PendingPathOf(const std::string& finalPath) {
  return finalPath + std::string(kPendingSuffix);
}

std::optional<PendingFile> PendingFile::Create(const std::string& finalPath) {
  // A file the user may not write stays as it is, as it would if it were
  // written in place: the rename must not get round its protection.
  // (errno tells why: no permission, or a read-only file system.)
  if (EntryKindOf(finalPath) == EntryKind::kRegular && !IsWritable(finalPath)) {
    return std::nullopt;
  }
  std::string path = PendingPathOf(finalPath);
  // Whatever holds the temporary name is the remains of an earlier run, or
  // was put there to block this one (a FIFO, say): the name is removed, and
  // nothing it leads to is touched. A directory there makes the creation
  // fail.
  EntryKind left = EntryKindOf(path);
  if (left != EntryKind::kNone && left != EntryKind::kDirectory) RemoveFile(path);
  auto file = File::CreateNew(path);
  if (!file) return std::nullopt;
  return PendingFile(std::move(*file), std::move(path), finalPath);
}

PendingFile::~PendingFile() { Discard(); }

PendingFile::PendingFile(PendingFile&& other) noexcept
    : file_(std::move(other.file_)),
      path_(std::exchange(other.path_, {})),
      finalPath_(std::move(other.finalPath_)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    file_ = std::move(other.file_);
    path_ = std::exchange(other.path_, {});
    finalPath_ = std::move(other.finalPath_);
  }
  return *this;
}

bool PendingFile::Commit() {
  if (path_.empty()) return false;
  bool replaces = EntryKindOf(finalPath_) != EntryKind::kNone;
  bool written = (!replaces || file_.Sync()) && file_.Close();
  if (!written || !RenameFile(path_, finalPath_)) {
    Discard();
    return false;
  }
  path_.clear();
  return true;
}

void PendingFile::Discard() {
  if (path_.empty()) return;
  file_.Close();
  RemoveFile(std::exchange(path_, {}));
}

}  // namespace fennimar
