#include "split/copy_file.h"

#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/pending_file.h"

namespace fennimar {

Result<void> CopyFileInBlocks(const std::string& source, const std::string& destination) {
  auto in = File::OpenRead(source);
  if (!in) return in.error();
  auto status = StatusOf(source);
  if (!status) return status.error();
  // The copy appears under its name only when it is whole, and never through
  // a link that already has that name.
  auto out = PendingFile::Create(destination);
  if (!out) return out.error();

  char block[kCopyFileBlockSize];
  for (std::int64_t remaining = status->size; remaining > 0;) {
    std::size_t size = remaining < static_cast<std::int64_t>(sizeof block)
                           ? static_cast<std::size_t>(remaining)
                           : sizeof block;
    auto got = in->Read(block, size);
    if (!got) return got.error();
    if (*got != size) return SystemError::OfKind("cannot read all of", ErrorKind::kOther);
    if (auto written = out->file().Write(block, size); !written) return written;
    remaining -= static_cast<std::int64_t>(size);
  }
  // The joiner must stay runnable on the disk it is copied to. A file system
  // that keeps no modes (FAT) may refuse them; the copy is good without.
  (void)out->file().SetMode(status->mode);
  if (auto committed = out->Commit(); !committed) return committed;
  return SetFileTimes(destination, status->modifiedTime, status->modifiedTime);
}

}  // namespace fennimar
