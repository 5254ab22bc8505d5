#include "settings/setting_values.h"

#include <algorithm>
#include <string>

namespace fennimar::settings {

bool ParseMinimized(std::string_view text) { return text == "YES"; }

std::string_view FormatMinimized(bool minimized) { return minimized ? "YES" : "NO"; }

ChunkType ParseChunkType(std::string_view text) {
  ChunkType value;
  if (text.size() > 3) value.size = text.substr(3);
  if (text.starts_with("DO")) {
    value.kind = ChunkKind::kOther;
  } else if (text == "2DD") {
    value.kind = ChunkKind::k2DD;
  } else if (text == "2HD") {
    value.kind = ChunkKind::k2HD;
  }
  return value;
}

std::string FormatChunkType(const ChunkType& value) {
  switch (value.kind) {
    case ChunkKind::k2DD:
      return "2DD";
    case ChunkKind::k2HD:
      return "2HD";
    case ChunkKind::kOther:
    case ChunkKind::kUnknown:
      break;
  }
  return "DO " + value.size;
}

std::optional<std::string> ParseDirectory(std::string_view text) {
  if (text == kSameDirectory) return std::nullopt;
  return std::string(text);
}

std::string FormatDirectory(const std::optional<std::string>& directory) {
  return directory ? *directory : std::string(kSameDirectory);
}

ChecksumErrorAction ParseChecksumErrorAction(std::string_view text, ChecksumErrorAction otherText) {
  if (text == "ABORT") return ChecksumErrorAction::kAbort;
  if (text == "CONTINUE") return ChecksumErrorAction::kContinue;
  return otherText;
}

std::string_view FormatChecksumErrorAction(ChecksumErrorAction action) {
  return action == ChecksumErrorAction::kAbort ? "ABORT" : "CONTINUE";
}

FillFormat ParseFillFormat(std::string_view text, bool byPrefix) {
  bool free = byPrefix ? text.starts_with("FREE") : text == "FREE";
  return free ? FillFormat::kFree : FillFormat::kFixed;
}

std::string_view FormatFillFormat(FillFormat format) {
  return format == FillFormat::kFree ? "FREE" : "FIXED";
}

bool ParseManifestSetting(std::string_view text) { return text != "NO"; }

std::string_view FormatManifestSetting(bool write) { return write ? "YES" : "NO"; }

int ParseRecoverySetting(std::string_view text) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != text.npos) {
    return 0;
  }
  int count = 0;
  for (char digit : text) count = count * 10 + (digit - '0');
  return count <= kMaxRecoverySetting ? count : 0;
}

std::string FormatRecoverySetting(int count) {
  return std::to_string(std::clamp(count, 0, kMaxRecoverySetting));
}

}  // namespace fennimar::settings
