#include "merge/merge_form.h"

#include "platform/path.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"

namespace fennimar {

MergeForm::MergeForm(const SettingsStore& settings, std::string selectedPath,
                     const std::string& proposedDirectory)
    : selectedPath_(std::move(selectedPath)) {
  auto mergeDir = settings::ParseDirectory(
      settings.ReadSetting(settings::kSection, settings::kMergeDir, settings::kSameDirectory,
                           settings::kDirectoryValue));
  field_ = mergeDir                    ? *mergeDir
           : proposedDirectory.empty() ? DirectoryProposal(selectedPath_)
                                       : proposedDirectory;
}

std::string MergeForm::DirectoryProposal(const std::string& selectedPath) {
  // The search starts at the second character, so "/REPORT.Z00" proposes an
  // empty field, which the engine turns into the root directory.
  if (selectedPath.size() < 2) return {};
  auto slash = selectedPath.find_last_of(kPathSeparators);
  if (slash == std::string::npos || slash == 0) return {};
  return selectedPath.substr(0, slash);
}

DialogResult MergeForm::Ok() {
  directory_ = field_.substr(0, kMaxDirectoryLength);
  return DialogResult::kOk;
}

}  // namespace fennimar
