#include "platform/pending_file.h"

#include <utility>

#include "platform/file_operations.h"
#include "platform/file_status.h"

namespace fennimar {

std::string PendingFile::PendingPathOf(const std::string& finalPath) {
  return finalPath + std::string(kPendingSuffix);
}

Result<PendingFile> PendingFile::Create(const std::string& finalPath) {
  EntryKind existing = KindOf(finalPath, Links::kTakeAsIs);
  if (existing == EntryKind::kDirectory) {
    return SystemError::OfKind("cannot replace", ErrorKind::kIsDirectory);
  }
  if (existing == EntryKind::kOther) {
    return SystemError::OfKind("cannot replace", ErrorKind::kNotRegularFile);
  }
  // A file the user may not write stays as it is, as it would if it were
  // written in place: the rename must not get round its protection.
  if (existing == EntryKind::kRegular) {
    if (auto writable = CheckWritable(finalPath); !writable) return writable.error();
  }
  std::string path = PendingPathOf(finalPath);
  // Whatever holds the temporary name is the remains of an earlier run, or
  // was put there to block this one (a FIFO, say): the name is removed, and
  // nothing it leads to is touched. A directory there makes the creation
  // fail.
  EntryKind left = KindOf(path, Links::kTakeAsIs);
  if (left != EntryKind::kNone && left != EntryKind::kDirectory) (void)RemoveFile(path);
  auto file = File::CreateNew(path);
  if (!file) return file.error();
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

Result<void> PendingFile::Commit() {
  if (path_.empty()) return SystemError::OfKind("cannot commit", ErrorKind::kNotFound);
  bool replaces = KindOf(finalPath_, Links::kTakeAsIs) != EntryKind::kNone;
  Result<void> done;
  if (replaces) done = file_.Sync();
  if (done) done = file_.Close();
  if (done) done = RenameFile(path_, finalPath_);
  if (!done) {
    Discard();
    return done;
  }
  path_.clear();
  return {};
}

void PendingFile::Discard() {
  if (path_.empty()) return;
  (void)file_.Close();
  (void)RemoveFile(std::exchange(path_, {}));
}

}  // namespace fennimar
