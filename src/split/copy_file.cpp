#include "split/copy_file.h"

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/pending_file.h"

namespace fennimar {

int CopyFileInBlocks(const std::string& source, const std::string& destination) {
  auto in = File::OpenRead(source);
  if (!in) return -1;
  std::int64_t remaining = in->Size();
  auto status = StatPath(source);
  if (!status || remaining < 0) return -1;
  // The copy appears under its name only when it is whole, and never through
  // a link that already has that name.
  auto out = PendingFile::Create(destination);
  if (!out) return -1;

  char block[kCopyFileBlockSize];
  while (remaining > 0) {
    std::size_t size = remaining < static_cast<std::int64_t>(sizeof block)
                           ? static_cast<std::size_t>(remaining)
                           : sizeof block;
    if (in->Read(block, size) != static_cast<std::int64_t>(size) ||
        out->file().Write(block, size) != static_cast<std::int64_t>(size)) {
      return -1;
    }
    remaining -= static_cast<std::int64_t>(size);
  }
  // The joiner must stay runnable on the disk it is copied to.
  if (auto mode = FileModeOf(source)) out->file().SetMode(*mode);
  if (!out->Commit()) return -1;
  SetFileTimes(destination, status->modifiedTime, status->modifiedTime);
  return 0;
}

}  // namespace fennimar
