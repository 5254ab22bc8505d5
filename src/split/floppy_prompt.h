// FloppyPrompt: the logic of the prompt "Split file to floppy disk" that asks
// for a fresh removable disk before each part. OK is accepted only when the
// disk has the required free bytes.
#pragma once

#include <cstdint>
#include <string>

#include "ui/user_interface.h"

namespace fennimar {

class DriveQueries;

class FloppyPrompt {
 public:
  FloppyPrompt(UserInterface& ui, DriveQueries& drives, std::string partPath,
               std::int64_t requiredBytes)
      : ui_(ui), drives_(drives), partPath_(std::move(partPath)), requiredBytes_(requiredBytes) {}

  // The part about to be written, shown under "About to write file:".
  const std::string& partPath() const { return partPath_; }
  std::int64_t requiredBytes() const { return requiredBytes_; }

  // kOk when the disk holding the part's directory has at least the required
  // free bytes; otherwise shows "Not enough space on disk" and stays open so
  // that the user can insert another disk.
  DialogResult Ok();

 private:
  UserInterface& ui_;
  DriveQueries& drives_;
  std::string partPath_;
  std::int64_t requiredBytes_;
};

}  // namespace fennimar
