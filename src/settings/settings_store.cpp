#include "settings/settings_store.h"

#include <optional>
#include <sstream>
#include <vector>

#include "platform/directories.h"
#include "platform/file.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/pending_file.h"
#include "platform/settings_directory.h"
#include "text/ascii.h"

namespace fennimar {
namespace {

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = TrimBlanks(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(line.substr(1, close - 1));
}

// The key of a "key=value" line; comments (";") have none.
std::optional<std::string_view> KeyOf(std::string_view line) {
  auto equals = line.find('=');
  std::string_view trimmed = TrimBlanks(line);
  if (equals == std::string_view::npos || trimmed.empty() || trimmed.front() == ';') {
    return std::nullopt;
  }
  return TrimBlanks(line.substr(0, equals));
}

// The file's lines without their line feeds; a line ending in CR LF keeps
// its CR, which every reader trims. No lines for a missing file; empty when
// the file exists but cannot be read (no permission, not a regular file).
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
  auto file = File::OpenRead(path);
  if (!file) {
    if (file.error().kind() == ErrorKind::kNotFound) return std::vector<std::string>{};
    return std::nullopt;
  }
  std::string text;
  char block[4096];
  for (;;) {
    auto got = file->Read(block, sizeof block);
    if (!got) return std::nullopt;
    text.append(block, *got);
    if (*got < sizeof block) break;
  }
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Creates the directory that holds the file, and its parents.
void MakeParents(const std::string& path) {
  std::string directory = DirectoryOf(path);
  if (directory.empty() || (KindOf(directory) == EntryKind::kDirectory)) return;
  MakeParents(directory);
  (void)MakeDirectory(directory);  // a failure shows when the file is written
}

}  // namespace

std::string SettingsStore::DefaultPath() { return JoinPath(SettingsDirectory(), "FENNIMAR.INI"); }

SettingsStore SettingsStore::ForUser() { return SettingsStore(DefaultPath()); }

std::string SettingsStore::ReadSetting(std::string_view section, std::string_view key,
                                       std::string_view fallback, int capacity) const {
  bool inSection = false;
  for (const std::string& line : ReadLines(path_).value_or(std::vector<std::string>{})) {
    if (auto name = SectionOf(line)) {
      inSection = EqualsIgnoringAsciiCase(*name, section);
    } else if (auto keyName = KeyOf(line);
               inSection && keyName && EqualsIgnoringAsciiCase(*keyName, key)) {
      std::string_view value = TrimBlanks(std::string_view(line).substr(line.find('=') + 1));
      std::size_t limit = capacity > 0 ? static_cast<std::size_t>(capacity - 1) : 0;
      return std::string(value.substr(0, limit));
    }
  }
  return std::string(fallback);
}

bool SettingsStore::WriteSetting(std::string_view section, std::string_view key,
                                 std::string_view value) {
  // A file that exists but cannot be read is never replaced by one that
  // holds only this key.
  auto read = ReadLines(path_);
  if (!read) return false;
  std::vector<std::string>& lines = *read;
  // Line ends are kept as found: new lines follow the file's first line.
  std::string end = !lines.empty() && !lines[0].empty() && lines[0].back() == '\r' ? "\r" : "";
  std::string entry = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  std::optional<std::size_t> insertAt;  // after the last non-blank line of the section
  bool written = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    if (auto name = SectionOf(lines[i])) {
      if (inSection) break;
      inSection = EqualsIgnoringAsciiCase(*name, section);
      if (inSection) insertAt = i + 1;
    } else if (inSection) {
      if (auto keyName = KeyOf(lines[i]); keyName && EqualsIgnoringAsciiCase(*keyName, key)) {
        lines[i] = entry + (lines[i].ends_with('\r') ? "\r" : "");
        written = true;
      } else if (!TrimBlanks(lines[i]).empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!written) {
    if (insertAt) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), entry + end);
    } else {
      if (!lines.empty() && !TrimBlanks(lines.back()).empty()) lines.push_back(end);
      lines.push_back("[" + std::string(section) + "]" + end);
      lines.push_back(entry + end);
    }
  }

  // Write a sibling file and rename it over the old one, so that a failed
  // write never leaves a half-written settings file behind. A symbolic link
  // is followed: the file it leads to is the one updated, with its mode.
  std::string target = ResolvedPath(path_);
  MakeParents(target);
  auto out = PendingFile::Create(target);
  if (!out) return false;
  if (auto status = StatusOf(target)) (void)out->file().SetMode(status->mode);
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return out->file().Write(text.data(), text.size()) && out->Commit();
}

}  // namespace fennimar
