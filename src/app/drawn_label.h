// DrawnLabel: one line of text that the program draws itself, plain on its
// parent's background or in a read-only field that looks like the toolkit's
// text entry. A new text repaints only the label's own rectangle; a toolkit
// label or entry would lay out its whole window again and restyle itself,
// and during a run the texts change with every part and every pump.
//
// The text is the window's label (SetLabel, GetLabel) and its accessible
// name, so that a screen reader reads what is drawn. A text too long for the
// label is shown with an ellipsis in its middle.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

namespace fennimar::app {

class DrawnLabel : public wxWindow {
 public:
  enum class Look { kPlain, kField };

  // `alignment` is wxALIGN_LEFT or wxALIGN_RIGHT. A height of -1 is the
  // look's own: one text line, or a text entry's height for a field.
  DrawnLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& position,
             const wxSize& size, Look look, int alignment = wxALIGN_LEFT);

  void SetLabel(const wxString& text) override;
  wxString GetLabel() const override { return text_; }
  bool AcceptsFocus() const override { return false; }

 private:
  const wxBitmap& Field(const wxSize& size);
  void Paint();

  wxString text_;
  Look look_;
  int alignment_;
  wxBitmap field_;
};

}  // namespace fennimar::app
