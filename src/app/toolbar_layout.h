// The two layouts of the main window's toolbar. The toolbar always holds
// nine positions; the layout with a file adds Split and Merge where the
// layout without one has separators. Each button names its picture by one
// of the kImage numbers; a picture is kToolbarImageSize pixels square at the
// screen's scale 1.
#pragma once

#include <array>

namespace fennimar::app {

inline constexpr int kToolbarImageSize = 16;
inline constexpr int kImageSelectFile = 1;
inline constexpr int kImageSplit = 3;
inline constexpr int kImageMerge = 4;
inline constexpr int kImageDefaults = 6;
inline constexpr int kImageHelp = 7;
inline constexpr int kImageAbout = 8;
inline constexpr int kToolbarSeparatorWidth = 6;

// One position: a button (command id and picture) or a separator (id 0).
struct ToolbarSlot {
  int id = 0;
  int image = -1;
  bool IsSeparator() const { return id == 0; }
};

using ToolbarLayout = std::array<ToolbarSlot, 9>;

// The layout selected by the command ids kIdToolbarWithoutFile and
// kIdToolbarWithFile.
const ToolbarLayout& ToolbarWithoutFile();
const ToolbarLayout& ToolbarWithFile();

}  // namespace fennimar::app
