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
    : wxStaticText(parent, kIdInfoLine, wxControl::EscapeMnemonics(text), wxPoint(left, top),
                   wxSize(width, height),
                   wxALIGN_LEFT | wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE) {
  SetDropTarget(new FileDropForwarder(std::move(onDrop)));
}

void InfoLineLabel::SetText(const std::string& text) {
  wxString value = wxString::FromUTF8(text);
  if (GetLabelText() != value) SetLabelText(value);
}

std::string InfoLineLabel::Text() const { return GetLabelText().utf8_string(); }

}  // namespace fennimar::app
