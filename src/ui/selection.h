// The main window's selection: the file that a split or a merge works on.
#pragma once

#include <cstdint>
#include <string>

namespace fennimar {

struct Selection {
  std::string selectedPath;   // empty when no file is selected
  std::int64_t fileSize = 0;  // measured when the file was selected
};

}  // namespace fennimar
