#include "app/named_status_bar.h"

#include "app/accessible_name.h"

namespace fennimar::app {

NamedStatusBar::NamedStatusBar(wxWindow* parent) : wxStatusBar(parent, wxID_ANY) {
  SetAccessibleName(this, "", AccessibleRole::kStatusBar);
}

void NamedStatusBar::DoUpdateStatusText(int number) {
  wxStatusBar::DoUpdateStatusText(number);
  // The panes are read as one line, in their order on the screen; empty
  // panes add nothing.
  wxString name;
  for (int i = 0; i < GetFieldsCount(); ++i) {
    const wxString text = GetStatusText(i);
    if (text.empty()) continue;
    if (!name.empty()) name += ' ';
    name += text;
  }
  SetAccessibleName(this, name, AccessibleRole::kStatusBar);
}

}  // namespace fennimar::app
