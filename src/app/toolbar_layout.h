// The two layouts of the main window's toolbar. The toolbar always holds
// nine positions; the layout with a file adds Split and Merge where the
// layout without one has separators. Images are numbered in the toolbar
// bitmap of kToolbarImageCount pictures of 16 x 15 pixels.
#pragma once

#include <array>

namespace fennimar::app {

inline constexpr int kToolbarImageCount = 11;
inline constexpr int kToolbarImageWidth = 16;
inline constexpr int kToolbarImageHeight = 15;
inline constexpr int kToolbarSeparatorWidth = 6;

// One position: a button (command id and image number) or a separator
// (id 0).
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
