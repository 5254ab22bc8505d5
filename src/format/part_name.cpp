#include "format/part_name.h"

#include <cstdint>

#include "format/part_format.h"
#include "platform/file.h"
#include "platform/path.h"
#include "text/ascii.h"
#include "text/printf_text.h"

namespace fennimar {

std::string PartStem(std::string_view path) {
  std::string name = FileNameOf(path);
  return name.substr(0, name.find('.'));
}

std::string PartBaseOf(std::string_view path) {
  auto slash = path.find_last_of(kPathSeparators);
  std::string_view directory =
      slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
  return std::string(directory) + PartStem(path);
}

std::string PartPathFromBase(std::string_view base, int index) {
  return std::string(base) + Format(".Z%02d", index);
}

std::string PartPath(std::string_view targetDirectory, std::string_view sourcePath, int index) {
  return PartPathFromBase(JoinPath(targetDirectory, PartStem(sourcePath)), index);
}

std::optional<int> NumberFromName(std::string_view path, char letter) {
  std::string name = FileNameOf(path);
  auto dot = name.find('.');
  if (dot == std::string::npos) return std::nullopt;
  std::string_view extension = std::string_view(name).substr(dot + 1);
  if (extension.size() != 3 || extension[0] != letter || !IsAsciiDigit(extension[1]) ||
      !IsAsciiDigit(extension[2])) {
    return std::nullopt;
  }
  return (extension[1] - '0') * 10 + (extension[2] - '0');
}

std::optional<int> PartIndexFromName(std::string_view path) { return NumberFromName(path, 'Z'); }

bool IsPartFile(const std::string& path) {
  auto index = PartIndexFromName(path);
  if (!index) return false;
  auto file = File::OpenRead(path);
  std::uint8_t bytes[2];
  if (!file || !file->ReadAll(bytes, 2)) return false;
  return bytes[1] == *index && IsValidPlace(bytes[0], bytes[1]);
}

}  // namespace fennimar
