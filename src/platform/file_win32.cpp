// File on Windows: a C runtime descriptor opened with _wopen, so that names
// are UTF-16 and every byte passes unchanged (binary mode).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/file.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// _read and _write take an unsigned int count; larger requests are looped.
constexpr std::size_t kLargestCall = INT_MAX / 2;

std::optional<File> OpenWith(const std::string& path, int flags, File (*make)(int)) {
  int fd = ::_wopen(WideText(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return std::nullopt;
  return make(fd);
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
  auto file = OpenWith(path, _O_RDONLY, [](int fd) { return File(fd); });
  if (file) {
    struct _stat64 st {};
    if (::_fstat64(file->fd_, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
      errno = EISDIR;
      return std::nullopt;
    }
  }
  return file;
}

std::optional<File> File::Create(const std::string& path) {
  return OpenWith(path, _O_WRONLY | _O_CREAT | _O_TRUNC, [](int fd) { return File(fd); });
}

std::optional<File> File::CreateNew(const std::string& path) {
  return OpenWith(path, _O_WRONLY | _O_CREAT | _O_EXCL, [](int fd) { return File(fd); });
}

std::optional<File> File::OpenUpdate(const std::string& path) {
  return OpenWith(path, _O_RDWR, [](int fd) { return File(fd); });
}

std::int64_t File::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    auto step = static_cast<unsigned>(std::min(size - done, kLargestCall));
    int n = ::_read(fd_, out + done, step);
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t size) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    auto step = static_cast<unsigned>(std::min(size - done, kLargestCall));
    int n = ::_write(fd_, in + done, step);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool File::Seek(std::int64_t offset) { return ::_lseeki64(fd_, offset, SEEK_SET) == offset; }

std::int64_t File::Size() const {
  struct _stat64 st {};
  if (::_fstat64(fd_, &st) != 0) return -1;
  return st.st_size;
}

// Windows keeps no permission bits beyond read-only, which a new file lacks.
bool File::SetMode(unsigned) { return true; }

bool File::Sync() { return ::_commit(fd_) == 0; }

bool File::Close() {
  if (fd_ < 0) return true;
  return ::_close(std::exchange(fd_, -1)) == 0;
}

}  // namespace fennimar
