// CompanionJoiners: the joiners that a split onto removable disks puts onto
// the disk, so that the recipient can join the parts without Fennimar:
// `joinex` for Linux and `joinex.exe` for Windows, each one when its file is
// in the programs' directory. That directory is the setting FENNIMAR_PATH;
// when the key is missing, lib/fennimar of the installation that runs (as
// /usr/lib/fennimar for /usr/bin/fennimar; on Windows the programs' own
// directory, where joinex.exe is installed); when it is set but empty, no
// joiner goes onto the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace fennimar {

class CompanionJoiners {
 public:
  // Reads FENNIMAR_PATH and looks for the joiners there.
  static CompanionJoiners Find(const SettingsStore& settings);

  // The bytes the joiners take on a disk.
  std::uint64_t Size() const { return size_; }
  // Copies each joiner to the root of a disk, keeping its name, mode and
  // modification time. A copy that fails leaves nothing behind and does not
  // end the split, which has already written every part.
  void CopyTo(const std::string& root) const;

 private:
  std::vector<std::string> paths_;
  std::uint64_t size_ = 0;
};

}  // namespace fennimar
