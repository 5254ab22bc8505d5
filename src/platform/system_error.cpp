#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace fennimar {

std::string LastErrorText() {
  int error = errno;
  return error == 0 ? std::string() : std::string(std::strerror(error));
}

}  // namespace fennimar
