// File on Windows: a C runtime descriptor opened with _wopen, so that names
// are UTF-16 and every byte passes unchanged (binary mode).
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/file.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// _read and _write take an unsigned int count; larger requests are looped.
constexpr std::size_t kLargestCall = INT_MAX / 2;

Result<File> OpenWith(const std::string& path, int flags, File (*make)(int)) {
  int fd = ::_wopen(WideText(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return SystemError::Last("cannot open");
  return make(fd);
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
  auto file = OpenWith(path, _O_RDONLY, [](int fd) { return File(fd); });
  if (file) {
    struct _stat64 st {};
    if (::_fstat64(file->fd_, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
      return SystemError::OfKind("cannot open", (st.st_mode & _S_IFMT) == _S_IFDIR
                                                    ? ErrorKind::kIsDirectory
                                                    : ErrorKind::kNotRegularFile);
    }
  }
  return file;
}

Result<File> File::Create(const std::string& path) {
  return OpenWith(path, _O_WRONLY | _O_CREAT | _O_TRUNC, [](int fd) { return File(fd); });
}

Result<File> File::CreateNew(const std::string& path) {
  return OpenWith(path, _O_WRONLY | _O_CREAT | _O_EXCL, [](int fd) { return File(fd); });
}

Result<File> File::OpenUpdate(const std::string& path) {
  return OpenWith(path, _O_RDWR, [](int fd) { return File(fd); });
}

Result<std::size_t> File::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    auto step = static_cast<unsigned>(std::min(size - done, kLargestCall));
    int n = ::_read(fd_, out + done, step);
    if (n < 0) return SystemError::Last("cannot read");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

Result<void> File::Write(const void* buffer, std::size_t size) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    auto step = static_cast<unsigned>(std::min(size - done, kLargestCall));
    int n = ::_write(fd_, in + done, step);
    if (n < 0) return SystemError::Last("cannot write");
    if (n == 0) return SystemError::Last("cannot write");
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Result<void> File::Seek(std::int64_t offset) {
  if (::_lseeki64(fd_, offset, SEEK_SET) != offset) return SystemError::Last("cannot seek in");
  return {};
}

Result<std::int64_t> File::Size() const {
  struct _stat64 st {};
  if (::_fstat64(fd_, &st) != 0) return SystemError::Last("cannot read the size of");
  return std::int64_t{st.st_size};
}

Result<FileIdentity> File::Identity() const {
  auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info)) {
    return SystemError::Last("cannot read the status of");
  }
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Windows keeps no permission bits beyond read-only, which a new file lacks.
Result<void> File::SetMode(unsigned) { return {}; }

Result<void> File::Sync() {
  if (::_commit(fd_) != 0) return SystemError::Last("cannot put on the device");
  return {};
}

Result<void> File::Close() {
  if (fd_ < 0) return {};
  if (::_close(std::exchange(fd_, -1)) != 0) return SystemError::Last("cannot close");
  return {};
}

}  // namespace fennimar
