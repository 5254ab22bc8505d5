#include "merge/target_name.h"

#include "platform/path.h"

namespace fennimar {

std::string TargetStem(std::string_view name) {
  return std::string(name.substr(0, name.find('.')));
}

std::optional<std::string> StripSecondDot(std::string_view path) {
  auto slash = path.find_last_of(kPathSeparators);
  std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  auto first = path.find('.', nameStart);
  if (first == std::string_view::npos) return std::nullopt;
  auto second = path.find('.', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return std::string(path.substr(0, second));
}

}  // namespace fennimar
