// SystemError on POSIX: the codes are errno values.
#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace fennimar {
namespace {

// The system has no code for "not a regular file"; this one, which no file
// call gives, stands for it.
constexpr int kNotRegularFileCode = ENOTBLK;

}  // namespace

SystemError SystemError::OfKind(std::string step, ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return SystemError(std::move(step), ENOENT);
    case ErrorKind::kExists:
      return SystemError(std::move(step), EEXIST);
    case ErrorKind::kIsDirectory:
      return SystemError(std::move(step), EISDIR);
    case ErrorKind::kNotRegularFile:
      return SystemError(std::move(step), kNotRegularFileCode);
    case ErrorKind::kOther:
      break;
  }
  return SystemError(std::move(step), EIO);
}

SystemError SystemError::Last(std::string step) { return SystemError(std::move(step), errno); }

ErrorKind SystemError::kind() const {
  switch (code_) {
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

std::string SystemError::Reason() const {
  if (!reason_.empty() || code_ == 0) return reason_;
  if (kind() == ErrorKind::kNotRegularFile) return "Not a regular file";
  return std::strerror(code_);
}

}  // namespace fennimar
