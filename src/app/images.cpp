#include "app/images.h"

#include "app/toolbar_layout.h"
#include "svg_images.h"

namespace fennimar::app {
namespace {

// The sizes at which the window's icon is handed to the desktop.
constexpr int kProgramIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kAboutIconSize = 48;

wxBitmapBundle FromSvg(const char* svg, int size) {
  return wxBitmapBundle::FromSVG(svg, wxSize(size, size));
}

}  // namespace

wxBitmapBundle ToolbarImage(int index) {
  // Indexed as the toolbar layouts number their pictures.
  struct Picture {
    int index;
    const char* svg;
  };
  static constexpr Picture kPictures[] = {
      {kImageSelectFile, svg::kSelectFileSvg},
      {kImageSplit, svg::kSplitSvg},
      {kImageMerge, svg::kMergeSvg},
      {kImageDefaults, svg::kDefaultsSvg},
      {kImageHelp, svg::kHelpSvg},
      {kImageAbout, svg::kAboutSvg},
  };
  for (const Picture& picture : kPictures) {
    if (picture.index == index) return FromSvg(picture.svg, kToolbarImageSize);
  }
  return {};
}

wxIconBundle ProgramIcons() {
  const wxBitmapBundle drawing = FromSvg(svg::kFennimarSvg, kAboutIconSize);
  wxIconBundle bundle;
  for (int size : kProgramIconSizes) {
    wxIcon icon;
    icon.CopyFromBitmap(drawing.GetBitmap(wxSize(size, size)));
    bundle.AddIcon(icon);
  }
  return bundle;
}

wxBitmap ProgramIconBitmap() {
  return FromSvg(svg::kFennimarSvg, kAboutIconSize)
      .GetBitmap(wxSize(kAboutIconSize, kAboutIconSize));
}

}  // namespace fennimar::app
