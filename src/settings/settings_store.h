// SettingsStore: the program's only persistent state, one INI file of
// sections holding "key=value" lines.
//
// The file is FENNIMAR.INI in the user's SettingsDirectory:
// $XDG_CONFIG_HOME/fennimar/FENNIMAR.INI (default
// ~/.config/fennimar/FENNIMAR.INI) on Linux, %APPDATA%\Fennimar\FENNIMAR.INI
// on Windows. Section and key names match without regard to case. Nothing is
// cached: every read goes to the file, so a value written by one dialog is
// what the next reader sees.
#pragma once

#include <string>
#include <string_view>

namespace fennimar {

class SettingsStore {
 public:
  // A store over the given file.
  explicit SettingsStore(std::string path) : path_(std::move(path)) {}
  // The store over the user's settings file.
  static SettingsStore ForUser();
  static std::string DefaultPath();

  // The stored value without surrounding blanks, cut to capacity - 1
  // characters; `fallback` when the file, the section or the key is missing
  // or the file cannot be read.
  std::string ReadSetting(std::string_view section, std::string_view key, std::string_view fallback,
                          int capacity) const;
  // Creates the file, section and key as needed and replaces the key's value,
  // keeping every other line. Returns false when the file could not be
  // written; callers ignore that, and the next read sees the old value.
  bool WriteSetting(std::string_view section, std::string_view key, std::string_view value);

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace fennimar
