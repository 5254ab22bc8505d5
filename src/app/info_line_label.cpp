#include "app/info_line_label.h"

#include "app/command_ids.h"

namespace fennimar::app {

bool FileDropForwarder::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  std::vector<std::string> paths;
  for (const wxString& name : names) paths.push_back(name.utf8_string());
  if (!paths.empty()) handler_(paths);
  return !paths.empty();
}

InfoLineLabel::InfoLineLabel(wxWindow* parent, int left, int top, int width, int height,
                             const wxString& text, DropHandler onDrop)
    : DrawnLabel(parent, kIdInfoLine, text, wxPoint(left, top), wxSize(width, height),
                 Look::kPlain) {
  SetDropTarget(new FileDropForwarder(std::move(onDrop)));
}

}  // namespace fennimar::app
