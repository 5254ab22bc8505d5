#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/system_error.h"

namespace fennimar {
namespace {

// Opens without blocking (a FIFO with no writer, a device), keeps the
// descriptor only when it is a regular file, and then makes it blocking again
// for the reads and writes.
Result<File> OpenWith(const std::string& path, int flags, File (*make)(int)) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return SystemError::Last("cannot open");
  File file = make(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return SystemError::Last("cannot read the status of");
  if (!S_ISREG(st.st_mode)) {
    return SystemError::OfKind(
        "cannot open", S_ISDIR(st.st_mode) ? ErrorKind::kIsDirectory : ErrorKind::kNotRegularFile);
  }
  int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    return SystemError::Last("cannot make blocking");
  }
  return file;
}

}  // namespace

File::~File() { (void)Close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    (void)Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Result<File> File::OpenRead(const std::string& path) {
  return OpenWith(path, O_RDONLY, [](int fd) { return File(fd); });
}

Result<File> File::OpenReadWhileWritten(const std::string& path) { return OpenRead(path); }

Result<File> File::Create(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return SystemError::Last("cannot create");
  return File(fd);
}

Result<File> File::CreateNew(const std::string& path) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, [](int fd) { return File(fd); });
}

Result<File> File::OpenUpdate(const std::string& path) {
  return OpenWith(path, O_RDWR, [](int fd) { return File(fd); });
}

Result<std::size_t> File::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd_, out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError::Last("cannot read");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

Result<void> File::Write(const void* buffer, std::size_t size) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, in + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError::Last("cannot write");
    }
    if (n == 0) return SystemError("cannot write", ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Result<void> File::Seek(std::int64_t offset) {
  if (::lseek(fd_, offset, SEEK_SET) != offset) return SystemError::Last("cannot seek in");
  return {};
}

Result<std::int64_t> File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return SystemError::Last("cannot read the size of");
  return std::int64_t{st.st_size};
}

Result<FileIdentity> File::Identity() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return SystemError::Last("cannot read the status of");
  return FileIdentity{st.st_dev, st.st_ino};
}

Result<void> File::SetMode(unsigned mode) {
  if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0)
    return SystemError::Last("cannot set the mode of");
  return {};
}

Result<void> File::Sync() {
  int result;
  do {
    result = ::fsync(fd_);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return SystemError::Last("cannot put on the device");
  return {};
}

Result<void> File::Close() {
  if (fd_ < 0) return {};
  int fd = std::exchange(fd_, -1);
  // A close interrupted by a signal has still released the descriptor on Linux.
  if (::close(fd) != 0 && errno != EINTR) return SystemError::Last("cannot close");
  return {};
}

}  // namespace fennimar
