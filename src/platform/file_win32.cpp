// File on Windows: a handle from CreateFileW (UTF-16 names, long names in
// the \\?\ form), wrapped in a C runtime descriptor so that the rest of File
// stays one descriptor; every byte passes unchanged (binary mode).
#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "platform/file.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// _read and _write take an unsigned int count; larger requests are looped.
constexpr std::size_t kLargestCall = INT_MAX / 2;

// While Fennimar has a file open, other programs may read it but neither
// write nor delete it: a part being joined or a source being split cannot
// change under the copy, and a file being written is never written twice.
constexpr DWORD kShareMode = FILE_SHARE_READ;

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Result<File> OpenWith(const std::string& path, DWORD access, DWORD disposition, int crtFlags,
                      File (*make)(int), DWORD shareMode = kShareMode) {
  std::wstring wide = WidePath(path);
  HANDLE handle = ::CreateFileW(wide.c_str(), access, shareMode, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_ACCESS_DENIED && IsDirectory(wide)) {
      return SystemError::OfKind("cannot open", ErrorKind::kIsDirectory);
    }
    return SystemError::Last("cannot open");
  }
  // A device's name (CON, NUL, COM1) opens the device in any directory; it is
  // never a file to read or write.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return SystemError::OfKind("cannot open", ErrorKind::kNotRegularFile);
  }
  int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), crtFlags);
  if (fd < 0) {
    auto error = SystemError::Last("cannot open");
    ::CloseHandle(handle);
    return error;
  }
  return make(fd);
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

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
  return OpenWith(path, GENERIC_READ, OPEN_EXISTING, _O_RDONLY, [](int fd) { return File(fd); });
}

// The writer's handle is there already: this one lets it write.
Result<File> File::OpenReadWhileWritten(const std::string& path) {
  return OpenWith(
      path, GENERIC_READ, OPEN_EXISTING, _O_RDONLY, [](int fd) { return File(fd); },
      FILE_SHARE_READ | FILE_SHARE_WRITE);
}

Result<File> File::Create(const std::string& path) {
  return OpenWith(path, GENERIC_WRITE, CREATE_ALWAYS, 0, [](int fd) { return File(fd); });
}

Result<File> File::CreateNew(const std::string& path) {
  return OpenWith(path, GENERIC_WRITE, CREATE_NEW, 0, [](int fd) { return File(fd); });
}

Result<File> File::OpenUpdate(const std::string& path) {
  return OpenWith(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, 0,
                  [](int fd) { return File(fd); });
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
  HANDLE handle = HandleOf(fd_);
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
  if (!::FlushFileBuffers(HandleOf(fd_))) return SystemError::Last("cannot put on the device");
  return {};
}

Result<void> File::Close() {
  if (fd_ < 0) return {};
  if (::_close(std::exchange(fd_, -1)) != 0) return SystemError::Last("cannot close");
  return {};
}

}  // namespace fennimar
