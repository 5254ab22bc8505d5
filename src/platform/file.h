// An owned file descriptor with the few operations the engines need: open for
// reading, create for writing, open for update, read, write, seek, size.
// Every call retries EINTR; a failure comes back as the SystemError of the
// step that failed.
//
// Only regular files are opened (but see Create). Every open is non-blocking, so that a FIFO
// or a device under a file's name cannot hang the program, and the opened
// object is checked with fstat; anything but a regular file is refused as
// ErrorKind::kIsDirectory or ErrorKind::kNotRegularFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_status.h"
#include "platform/system_error.h"

namespace fennimar {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file read-only.
  static Result<File> OpenRead(const std::string& path);
  // Opens read-only a file that this program holds open for writing (a
  // result checked before it takes its name); OpenRead refuses such a file
  // on Windows.
  static Result<File> OpenReadWhileWritten(const std::string& path);
  // Creates the file, or truncates an existing one, for writing ("wb"). The
  // one exception to the rule above: whatever the name leads to is opened,
  // a device too. Parts and joined files are written through PendingFile.
  static Result<File> Create(const std::string& path);
  // Creates the file only when no entry of that name exists, not even a
  // symbolic link (O_EXCL): nothing is ever written through a link.
  static Result<File> CreateNew(const std::string& path);
  // Creates a file of a new, unique name "<directory>/<prefix>XXXXXX" as
  // CreateNew does (with the permissions of any new file).
  struct Unique;
  static Result<Unique> CreateUnique(const std::string& directory, const std::string& prefix);
  // Opens an existing regular file for reading and writing without
  // truncating it ("r+").
  static Result<File> OpenUpdate(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

  // Reads up to `size` bytes, looping over short reads until end of file.
  // The count read is less than `size` only at end of file.
  Result<std::size_t> Read(void* buffer, std::size_t size);
  // True when all `size` bytes were read; for callers to whom a short file
  // and a failed read mean the same (a header that is not there).
  bool ReadAll(void* buffer, std::size_t size) {
    auto got = Read(buffer, size);
    return got && *got == size;
  }
  // Writes all `size` bytes; a device that takes fewer (a full one) fails
  // the write as "No space left on device".
  Result<void> Write(const void* buffer, std::size_t size);
  Result<void> Seek(std::int64_t offset);
  // The file's current length.
  Result<std::int64_t> Size() const;
  // What tells this file apart from others (see FileIdentity).
  Result<FileIdentity> Identity() const;
  // Sets the permission bits (as chmod).
  Result<void> SetMode(unsigned mode);
  // Waits until the file's data is on the device (fsync).
  Result<void> Sync();
  // Closes the descriptor; an error the close reports fails it. Closing a
  // file that is not open does nothing.
  Result<void> Close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

struct File::Unique {
  File file;
  std::string path;
};

}  // namespace fennimar
