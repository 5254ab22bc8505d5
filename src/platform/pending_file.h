// PendingFile: a file that appears under its final name only once it is
// complete. It is written under a temporary name beside the final one,
// "<final name>.fennimar-partial", created exclusively (never through a
// symbolic link, never over another file), and renamed over the final name in
// one step by Commit. Until then whatever the final name holds stays as it
// was; a pending file that is not committed is deleted, and one left behind by
// a killed run keeps a name the user recognises and is removed by the next
// run that writes the same file.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace fennimar {

inline constexpr std::string_view kPendingSuffix = ".fennimar-partial";

class PendingFile {
 public:
  // The temporary name of a final path.
  static std::string PendingPathOf(const std::string& finalPath);

  // Creates the temporary file for `finalPath`. Only a regular file or a
  // symbolic link under that name is ever replaced (the link itself, never
  // what it leads to): a directory, a FIFO or a device is refused, and so is
  // a regular file this process may not write. The caller holds the
  // directory's DirectoryLock (or runs where there are no locks): a file
  // already under the temporary name is then the remains of an earlier run
  // and is removed first.
  static Result<PendingFile> Create(const std::string& finalPath);

  ~PendingFile();
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  File& file() { return file_; }
  const std::string& path() const { return path_; }
  const std::string& finalPath() const { return finalPath_; }

  // Closes the file and renames it over the final name. When that name holds
  // a file, the data is first put on the device, so that not even a power cut
  // right after the rename can leave the name with neither the old file nor
  // the new one. When the sync, the close or the rename fails, the
  // temporary file is deleted and the final name keeps what it held.
  Result<void> Commit();
  // Closes and deletes the temporary file; the final name is not touched.
  void Discard();

 private:
  PendingFile(File file, std::string path, std::string finalPath)
      : file_(std::move(file)), path_(std::move(path)), finalPath_(std::move(finalPath)) {}

  File file_;
  std::string path_;  // empty once committed or discarded
  std::string finalPath_;
};

}  // namespace fennimar
