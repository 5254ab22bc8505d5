#include "format/file_name.h"

#include "platform/path.h"
#include "text/ascii.h"

namespace fennimar {

std::optional<std::string> SafeFileName(std::string_view name) {
  auto cut = name.find_last_of("/\\:");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  if (name.empty() || name == "." || name == ".." || HasControlCharacter(name) ||
      IsDeviceName(name)) {
    return std::nullopt;
  }
  return std::string(name);
}

}  // namespace fennimar
