#include "merge/target_name.h"

#include "platform/fs.h"
#include "platform/path.h"

namespace fennimar {

std::optional<std::string> TargetNameFromSourceName(std::string_view sourceName) {
  // Names written on other systems may carry a drive and backslashes; all of
  // them are directories here and are dropped.
  auto cut = sourceName.find_last_of("/\\:");
  std::string_view name = cut == std::string_view::npos ? sourceName : sourceName.substr(cut + 1);
  if (name.empty() || name == "." || name == ".." || IsDeviceName(name)) return std::nullopt;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
  }
  return std::string(name);
}

std::string TargetStem(std::string_view name) {
  return std::string(name.substr(0, name.find('.')));
}

std::optional<std::string> StripSecondDot(std::string_view path) {
  auto slash = path.rfind(kPathSeparator);
  std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  auto first = path.find('.', nameStart);
  if (first == std::string_view::npos) return std::nullopt;
  auto second = path.find('.', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return std::string(path.substr(0, second));
}

}  // namespace fennimar
