#include "platform/download_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <vector>

#include "platform/path.h"

namespace fennimar {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// $HOME, else the home directory the password database gives.
std::string HomeDirectory() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

// The value of a line XDG_DOWNLOAD_DIR="$HOME/Downloads": quoted, "$HOME"
// only at its start, backslash escapes of '"', '\\', '$' and '`'. Empty
// when the line is not of that form or names no absolute path.
std::string UserDirsValue(std::string_view line, const std::string& home) {
  constexpr std::string_view kKey = "XDG_DOWNLOAD_DIR=\"";
  if (line.substr(0, kKey.size()) != kKey) return {};
  line.remove_prefix(kKey.size());
  std::string value;
  constexpr std::string_view kHome = "$HOME";
  if (line.substr(0, kHome.size()) == kHome) {
    if (home.empty()) return {};
    value = home;
    line.remove_prefix(kHome.size());
  }
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') return value.empty() || value[0] != '/' ? std::string() : value;
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  return {};  // no closing quote
}

}  // namespace

std::string DownloadDirectory() {
  std::string fromEnvironment = Environment("XDG_DOWNLOAD_DIR");
  if (!fromEnvironment.empty() && fromEnvironment[0] == '/') return fromEnvironment;
  std::string home = HomeDirectory();
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home.empty() ? "" : JoinPath(home, ".config");
  if (!config.empty()) {
    std::ifstream dirs(JoinPath(config, "user-dirs.dirs"));
    std::string line;
    while (std::getline(dirs, line)) {
      std::string value = UserDirsValue(line, home);
      if (!value.empty()) return value;
    }
  }
  return home.empty() ? "" : JoinPath(home, "Downloads");
}

}  // namespace fennimar
