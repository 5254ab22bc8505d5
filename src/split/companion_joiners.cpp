#include "split/companion_joiners.h"

#include <array>
#include <string_view>

#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "settings/settings_keys.h"
#include "split/copy_file.h"

namespace fennimar {
namespace {

constexpr std::array<std::string_view, 2> kJoinerNames = {"joinex", "joinex.exe"};

#ifdef _WIN32
// On Windows the joiners lie beside the programs.
std::string InstalledJoinerDirectory() {
  auto programs = ProgramDirectory();
  return programs ? *programs : std::string();
}
#else
// Where the installation keeps the joiners, below its prefix (the parent of
// the programs' own directory, as /usr for /usr/bin/fennimar-cli).
constexpr std::string_view kInstalledJoiners = "lib/fennimar";

std::string InstalledJoinerDirectory() {
  auto programs = ProgramDirectory();
  return programs ? JoinPath(DirectoryOf(*programs), kInstalledJoiners) : std::string();
}
#endif

}  // namespace

CompanionJoiners CompanionJoiners::Find(const SettingsStore& settings) {
  CompanionJoiners joiners;
  std::string directory =
      settings.ReadSetting(settings::kSection, settings::kFennimarPath, InstalledJoinerDirectory(),
                           settings::kDirectoryValue);
  if (directory.empty()) return joiners;
  for (std::string_view name : kJoinerNames) {
    std::string path = JoinPath(directory, name);
    auto status = StatusOf(path);
    if (!status || status->kind == EntryKind::kDirectory) continue;
    joiners.paths_.push_back(path);
    joiners.size_ += static_cast<std::uint64_t>(status->size);
  }
  return joiners;
}

void CompanionJoiners::CopyTo(const std::string& root) const {
  // A joiner that cannot be copied leaves the parts as good as they are.
  for (const std::string& path : paths_) {
    (void)CopyFileInBlocks(path, JoinPath(root, FileNameOf(path)));
  }
}

}  // namespace fennimar
