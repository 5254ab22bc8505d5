#include "platform/host_name.h"

#include <unistd.h>

#include <array>

namespace fennimar {

std::string HostName() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

}  // namespace fennimar
