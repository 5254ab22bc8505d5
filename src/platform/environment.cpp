#include "platform/environment.h"

#include <cstdlib>

namespace fennimar {

std::optional<std::string> EnvironmentVariable(const char* name) {
  if (const char* value = std::getenv(name)) return std::string(value);
  return std::nullopt;
}

}  // namespace fennimar
