#include "split/copy_file.h"

#include <sys/stat.h>

#include "platform/file.h"
#include "platform/fs.h"

namespace fennimar {

int CopyFileInBlocks(const std::string& source, const std::string& destination) {
  auto status = StatPath(source);
  auto in = File::OpenRead(source);
  if (!status || !in) return -1;
  auto out = File::Create(destination);
  if (!out) return -1;

  char block[kCopyFileBlockSize];
  std::int64_t remaining = status->size;
  bool complete = true;
  while (remaining > 0) {
    std::size_t size = remaining < static_cast<std::int64_t>(sizeof block)
                           ? static_cast<std::size_t>(remaining)
                           : sizeof block;
    if (in->Read(block, size) != static_cast<std::int64_t>(size) ||
        out->Write(block, size) != static_cast<std::int64_t>(size)) {
      complete = false;
      break;
    }
    remaining -= static_cast<std::int64_t>(size);
  }
  in->Close();
  if (!out->Close() || !complete) {
    RemoveFile(destination);
    return -1;
  }
  // The joiner must stay runnable on the disk it is copied to.
  struct stat st {};
  if (::stat(source.c_str(), &st) == 0) ::chmod(destination.c_str(), st.st_mode & 07777);
  SetFileTimes(destination, status->modifiedTime, status->modifiedTime);
  return 0;
}

}  // namespace fennimar
