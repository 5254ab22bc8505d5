#include "platform/path.h"

namespace fennimar {

std::string FileNameOf(std::string_view path) {
  auto slash = path.rfind(kPathSeparator);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryOf(std::string_view path) {
  auto slash = path.rfind(kPathSeparator);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string joined(directory);
  if (joined.empty() || joined.back() != kPathSeparator) joined += kPathSeparator;
  joined += name;
  return joined;
}

}  // namespace fennimar
