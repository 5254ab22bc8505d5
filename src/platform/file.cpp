#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <random>
#include <utility>

#include "platform/system_error.h"

namespace fennimar {
namespace {

// Opens without blocking (a FIFO with no writer, a device), keeps the
// descriptor only when it is a regular file, and then makes it blocking again
// for the reads and writes.
std::optional<File> OpenWith(const std::string& path, int flags, File (*make)(int)) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  File file = make(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  if (!S_ISREG(st.st_mode)) {
    int reason = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
    file.Close();
    errno = reason;
    return std::nullopt;
  }
  int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return std::nullopt;
  return file;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::optional<File> File::OpenRead(const std::string& path) {
  return OpenWith(path, O_RDONLY, [](int fd) { return File(fd); });
}

std::optional<File> File::Create(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  return File(fd);
}

std::optional<File> File::CreateNew(const std::string& path) {
  return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, [](int fd) { return File(fd); });
}

std::optional<File> File::CreateUnique(const std::string& directory, const std::string& prefix,
                                       std::string& path) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<std::uint64_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t salt = (static_cast<std::uint64_t>(std::random_device{}()) << 20) ^
                         (counter++ * 0x9E3779B97F4A7C15ull);
    std::string name = directory + "/" + prefix;
    for (int i = 0; i < 6; ++i, salt /= 62) name += kLetters[salt % 62];
    if (auto file = CreateNew(name)) {
      path = std::move(name);
      return file;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<File> File::OpenUpdate(const std::string& path) {
  return OpenWith(path, O_RDWR, [](int fd) { return File(fd); });
}

std::int64_t File::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd_, out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t size) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, in + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool File::Seek(std::int64_t offset) { return ::lseek(fd_, offset, SEEK_SET) == offset; }

std::int64_t File::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool File::SetMode(unsigned mode) { return ::fchmod(fd_, static_cast<mode_t>(mode)) == 0; }

bool File::Sync() {
  int result;
  do {
    result = ::fsync(fd_);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool File::Close() {
  if (fd_ < 0) return true;
  int fd = std::exchange(fd_, -1);
  // A close interrupted by a signal has still released the descriptor on Linux.
  return ::close(fd) == 0 || errno == EINTR;
}

}  // namespace fennimar
