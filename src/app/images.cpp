#include "app/images.h"

#include <wx/image.h>
#include <wx/imagpng.h>

#include "app/images_data.h"
#include "app/toolbar_layout.h"

namespace fennimar::app {
namespace {

wxBitmap FromPng(const unsigned char* data, std::size_t size) {
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  return wxBitmap::NewFromPNGData(data, size);
}

}  // namespace

wxBitmap ToolbarImage(int index) {
  static const wxBitmap strip = FromPng(images::kToolbarPng, sizeof images::kToolbarPng);
  return strip.GetSubBitmap(
      wxRect(index * kToolbarImageWidth, 0, kToolbarImageWidth, kToolbarImageHeight));
}

wxIconBundle ProgramIcons() {
  wxIconBundle bundle;
  for (const auto& [data, size] : {std::pair{images::kIcon16Png, sizeof images::kIcon16Png},
                                   std::pair{images::kIcon32Png, sizeof images::kIcon32Png},
                                   std::pair{images::kIcon48Png, sizeof images::kIcon48Png},
                                   std::pair{images::kIcon128Png, sizeof images::kIcon128Png}}) {
    wxIcon icon;
    icon.CopyFromBitmap(FromPng(data, size));
    bundle.AddIcon(icon);
  }
  return bundle;
}

wxBitmap ProgramIconBitmap() { return FromPng(images::kIcon48Png, sizeof images::kIcon48Png); }

}  // namespace fennimar::app
