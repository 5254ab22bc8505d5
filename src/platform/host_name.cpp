#include "platform/host_name.h"

#include <unistd.h>

#include <array>

namespace fennimar {

std::string HostName() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') return "localhost";
  return name.data();
}

}  // namespace fennimar
