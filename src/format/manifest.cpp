#include "format/manifest.h"

#include <algorithm>

#include "platform/file.h"

namespace fennimar {
namespace {

constexpr std::size_t kHexSize = 2 * kSha256Size;

// One line without its end; kNone with the entry, or why it is refused.
ManifestRefusal ParseLine(std::string_view line, ManifestEntry& entry) {
  // "<hex>" then " " then the mode mark: " " (text) or "*" (binary).
  if (line.size() < kHexSize + 3 || line[kHexSize] != ' ' ||
      (line[kHexSize + 1] != ' ' && line[kHexSize + 1] != '*')) {
    return ManifestRefusal::kMalformed;
  }
  auto digest = ParseSha256Hex(line.substr(0, kHexSize));
  if (!digest) return ManifestRefusal::kMalformed;
  std::string_view name = line.substr(kHexSize + 2);
  if (!IsManifestName(name)) return ManifestRefusal::kUnsafeName;
  entry.name = std::string(name);
  entry.digest = *digest;
  return ManifestRefusal::kNone;
}

}  // namespace

const ManifestEntry* Manifest::Find(std::string_view name) const {
  auto found = std::find_if(entries.begin(), entries.end(),
                            [name](const ManifestEntry& entry) { return entry.name == name; });
  return found == entries.end() ? nullptr : &*found;
}

bool IsManifestName(std::string_view name) {
  if (name.empty() || name.size() > kMaxManifestName || name == "." || name == "..") return false;
  // Control characters would also let a name hide what it is in a listing.
  return std::none_of(name.begin(), name.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
  });
}

ManifestReading ParseManifest(std::string_view text) {
  ManifestReading reading;
  if (text.size() > kMaxManifestSize) {
    reading.refusal = ManifestRefusal::kTooLarge;
    return reading;
  }
  Manifest manifest;
  std::size_t number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (number > kMaxManifestLines) {
      reading.refusal = ManifestRefusal::kTooLarge;
      return reading;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ManifestEntry entry;
    ManifestRefusal refusal = ParseLine(line, entry);
    if (refusal == ManifestRefusal::kNone && manifest.Find(entry.name)) {
      refusal = ManifestRefusal::kDuplicateName;
    }
    if (refusal != ManifestRefusal::kNone) {
      reading.refusal = refusal;
      reading.line = number;
      return reading;
    }
    manifest.entries.push_back(std::move(entry));
  }
  if (manifest.entries.empty()) {
    reading.refusal = ManifestRefusal::kEmpty;
    return reading;
  }
  reading.manifest = std::move(manifest);
  return reading;
}

Result<ManifestReading> ReadManifest(const std::string& path) {
  auto file = File::OpenRead(path);
  if (!file) return file.error();
  // One byte beyond the cap tells a text that is too large.
  std::string text(kMaxManifestSize + 1, '\0');
  auto got = file->Read(text.data(), text.size());
  if (!got) return got.error();
  text.resize(*got);
  return ParseManifest(text);
}

std::string DescribeRefusal(const ManifestReading& reading) {
  std::string where = reading.line > 0 ? "line " + std::to_string(reading.line) + ": " : "";
  switch (reading.refusal) {
    case ManifestRefusal::kNone:
      return "no fault";
    case ManifestRefusal::kTooLarge:
      return "larger than a manifest of a part set can be";
    case ManifestRefusal::kEmpty:
      return "no digest in it";
    case ManifestRefusal::kMalformed:
      return where + "not a SHA-256 digest and a file name";
    case ManifestRefusal::kUnsafeName:
      return where + "a file name that is no plain name in this directory";
    case ManifestRefusal::kDuplicateName:
      return where + "a file named a second time";
  }
  return "unknown fault";
}

std::string EncodeManifest(const Manifest& manifest) {
  std::string text;
  for (const ManifestEntry& entry : manifest.entries) {
    text += Sha256Hex(entry.digest);
    text += "  ";
    text += entry.name;
    text += '\n';
  }
  return text;
}

std::string ManifestPathFromBase(std::string_view base) {
  return std::string(base) + std::string(kManifestSuffix);
}

}  // namespace fennimar
