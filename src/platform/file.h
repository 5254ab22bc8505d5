// An owned file descriptor with the few operations the engines need: open for
// reading, create for writing, open for update, read, write, seek, size.
// Every call retries EINTR; failures come back as values, with errno kept.
//
// Only regular files are opened (but see Create). Every open is non-blocking, so that a FIFO
// or a device under a file's name cannot hang the program, and the opened
// object is checked with fstat; anything but a regular file is refused with
// errno EISDIR (a directory) or kNotRegularFile (anything else).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fennimar {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file read-only. Empty result: errno tells why.
  static std::optional<File> OpenRead(const std::string& path);
  // Creates the file, or truncates an existing one, for writing ("wb"). The
  // one exception to the rule above: whatever the name leads to is opened,
  // a device too. Parts and joined files are written through PendingFile.
  static std::optional<File> Create(const std::string& path);
  // Creates the file only when no entry of that name exists, not even a
  // symbolic link (O_EXCL): nothing is ever written through a link.
  static std::optional<File> CreateNew(const std::string& path);
  // Creates a file of a new, unique name "<directory>/<prefix>XXXXXX" as
  // CreateNew does (with the permissions of any new file) and stores that
  // name in `path`.
  static std::optional<File> CreateUnique(const std::string& directory, const std::string& prefix,
                                          std::string& path);
  // Opens an existing regular file for reading and writing without
  // truncating it ("r+").
  static std::optional<File> OpenUpdate(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

  // Reads up to `size` bytes, looping over short reads until end of file.
  // Returns the count read (less than `size` only at end of file), or -1.
  std::int64_t Read(void* buffer, std::size_t size);
  // Writes all `size` bytes. Returns the count written, which is less than
  // `size` when the device is full or fails.
  std::int64_t Write(const void* buffer, std::size_t size);
  bool Seek(std::int64_t offset);
  // The file's current length, or -1.
  std::int64_t Size() const;
  // Sets the permission bits (as chmod).
  bool SetMode(unsigned mode);
  // Waits until the file's data is on the device (fsync); false when it could
  // not be written there.
  bool Sync();
  // Closes the descriptor; false when the close reported an error.
  bool Close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace fennimar
