#include "platform/system_error.h"

#include "platform/system_error_codes.h"

namespace fennimar {

SystemError SystemError::OfKind(std::string step, ErrorKind kind) {
  return SystemError(std::move(step), CodeOfKind(kind));
}

SystemError SystemError::Last(std::string step) {
  return SystemError(std::move(step), LastErrorCode());
}

ErrorKind SystemError::kind() const { return KindOfCode(code_); }

std::string SystemError::Reason() const {
  if (!reason_.empty() || code_ == 0) return reason_;
  switch (kind()) {
    case ErrorKind::kIsDirectory:
      return "Is a directory";
    case ErrorKind::kNotRegularFile:
      return "Not a regular file";
    default:
      return TextOfCode(code_);
  }
}

}  // namespace fennimar
