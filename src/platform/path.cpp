#include "platform/path.h"

#include <array>

#include "text/ascii.h"

namespace fennimar {

std::string FileNameOf(std::string_view path) {
  auto slash = path.find_last_of(kPathSeparators);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryOf(std::string_view path) {
  auto slash = path.find_last_of(kPathSeparators);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string joined(directory);
  if (joined.empty() || kPathSeparators.find(joined.back()) == std::string_view::npos) {
    joined += kPathSeparator;
  }
  joined += name;
  return joined;
}

#ifdef _WIN32
bool IsDeviceName(std::string_view name) {
  // The device names hold with any extension and regardless of case: NUL,
  // nul.txt and Com1.Z00 all name a device.
  std::string stem = AsciiLower(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
  for (auto device : kPlain) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
         stem[3] >= '1' && stem[3] <= '9';
}
#else
bool IsDeviceName(std::string_view) { return false; }
#endif

}  // namespace fennimar
