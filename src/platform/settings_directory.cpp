#include "platform/settings_directory.h"

#include <cstdlib>

namespace fennimar {

std::string SettingsDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && *config) {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/fennimar";
}

}  // namespace fennimar
