// The main window's fixed place and proportions, in screen pixels (the
// width in pixels at 96 dpi, which the window scales to the screen's).
//
// Everything scales with the height of one text line of the desktop's font:
// an information line is that height times 35 / 19, which leaves room above
// and below the text, and the four lines sit one under the other.
#pragma once

namespace fennimar::app {

inline constexpr int kWindowLeft = 100;
inline constexpr int kWindowTop = 85;
inline constexpr int kWindowWidth = 450;
inline constexpr int kInfoLineCount = 4;

// The height of an information line for a font whose text line (character
// height plus leadings) is `textLineHeight` pixels: 19 gives 35.
constexpr int ScaleLineHeight(int textLineHeight) { return textLineHeight * 35 / 19; }

}  // namespace fennimar::app
