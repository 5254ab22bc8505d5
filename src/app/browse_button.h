// BrowseButton: the "Browse..." button beside a directory field. It opens the
// desktop's folder chooser, in the field's directory when that exists, and
// puts the chosen folder into the field as if it had been typed.
#pragma once

#include <wx/button.h>

class wxTextCtrl;

namespace fennimar::app {

// The button's text, in UTF-8: with the access key W where the dialog has no
// other W, and without one where it has.
inline constexpr const char* kBrowseWithKey = "Bro&wse\u2026";
inline constexpr const char* kBrowse = "Browse\u2026";

class BrowseButton : public wxButton {
 public:
  // `field` is the directory field the button serves; it must be a sibling
  // and outlive the button. `label` is kBrowseWithKey or kBrowse.
  BrowseButton(wxWindow* parent, wxWindowID id, wxTextCtrl* field, const char* label);

 private:
  void Choose();

  wxTextCtrl* field_;
};

}  // namespace fennimar::app
