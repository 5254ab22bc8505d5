// SystemError's codes on POSIX: errno values.
#include <cerrno>
#include <cstring>

#include "platform/system_error_codes.h"

namespace fennimar {
namespace {

// The system has no code for "not a regular file"; this one, which no file
// call gives, stands for it.
constexpr int kNotRegularFileCode = ENOTBLK;

}  // namespace

int CodeOfKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return ENOENT;
    case ErrorKind::kExists:
      return EEXIST;
    case ErrorKind::kIsDirectory:
      return EISDIR;
    case ErrorKind::kNotRegularFile:
      return kNotRegularFileCode;
    case ErrorKind::kOther:
      break;
  }
  return EIO;
}

ErrorKind KindOfCode(int code) {
  switch (code) {
    case ENOENT:
      return ErrorKind::kNotFound;
    case EEXIST:
      return ErrorKind::kExists;
    case EISDIR:
      return ErrorKind::kIsDirectory;
    case kNotRegularFileCode:
      return ErrorKind::kNotRegularFile;
    default:
      return ErrorKind::kOther;
  }
}

int LastErrorCode() { return errno; }

std::string TextOfCode(int code) { return std::strerror(code); }

}  // namespace fennimar
