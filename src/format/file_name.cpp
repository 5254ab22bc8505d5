#include "format/file_name.h"

#include <algorithm>

#include "platform/path.h"

namespace fennimar {

std::optional<std::string> SafeFileName(std::string_view name) {
  auto cut = name.find_last_of("/\\:");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  bool control = std::any_of(name.begin(), name.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  if (name.empty() || name == "." || name == ".." || control || IsDeviceName(name)) {
    return std::nullopt;
  }
  return std::string(name);
}

}  // namespace fennimar
