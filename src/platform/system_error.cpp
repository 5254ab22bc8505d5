#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace fennimar {

std::string LastErrorText() {
  int error = errno;
  if (error == 0) return {};
  if (error == kNotRegularFile && kNotRegularFile != EINVAL) return "Not a regular file";
  return std::strerror(error);
}

}  // namespace fennimar
