#include "app/drawn_label.h"

#include <wx/control.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/renderer.h>
#include <wx/settings.h>

#include "app/accessible_name.h"

namespace fennimar::app {
namespace {

// The room between a field's frame and its text, as the toolkit's entry.
constexpr int kFieldPadding = 8;

}  // namespace

DrawnLabel::DrawnLabel(wxWindow* parent, wxWindowID id, const wxString& text,
                       const wxPoint& position, const wxSize& size, Look look, int alignment)
    : wxWindow(parent, id, position, size, wxBORDER_NONE),
      text_(text),
      look_(look),
      alignment_(alignment) {
  // The font and the colours are asked of the toolkit's style once, not at
  // every paint.
  SetFont(parent->GetFont());
  SetForegroundColour(look_ == Look::kField ? wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)
                                            : parent->GetForegroundColour());
  SetBackgroundColour(parent->GetBackgroundColour());
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  if (size.y < 0) {
    // A field: the text line, the room above and below it, the frame.
    int line = GetCharHeight();
    SetInitialSize(
        wxSize(size.x, look_ == Look::kField ? line + FromDIP(2 * kFieldPadding) + 2 : line));
  }
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) { Paint(); });
  // Drawn text is invisible to a screen reader: the line carries its text as
  // its accessible name.
  SetAccessibleName(this, text_);
}

void DrawnLabel::SetLabel(const wxString& text) {
  if (text == text_) return;
  text_ = text;
  SetAccessibleName(this, text_);
  Refresh(false);
}

const wxBitmap& DrawnLabel::Field(const wxSize& size) {
  // The toolkit draws a field's frame through a new style each time: the
  // frame is drawn once and then copied.
  if (!field_.IsOk() || field_.GetSize() != size) {
    field_ = wxBitmap(size);
    wxMemoryDC dc(field_);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    wxRendererNative::Get().DrawTextCtrl(this, dc, wxRect(size));
  }
  return field_;
}

void DrawnLabel::Paint() {
  wxPaintDC dc(this);
  wxRect room(GetClientSize());
  // A field's picture covers the whole label; a plain line is cleared.
  if (look_ == Look::kField) {
    dc.DrawBitmap(Field(room.GetSize()), 0, 0);
    room.Deflate(FromDIP(kFieldPadding), 0);
  } else {
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
  }
  dc.SetFont(GetFont());
  dc.SetTextForeground(GetForegroundColour());
  // Each measure shapes the text anew: the whole text is measured once, and
  // only a text too long for the room again.
  wxString shown = text_;
  wxSize extent = dc.GetTextExtent(shown);
  if (extent.x > room.width) {
    shown = wxControl::Ellipsize(text_, dc, wxELLIPSIZE_MIDDLE, room.width);
    extent = dc.GetTextExtent(shown);
  }
  int x = alignment_ == wxALIGN_RIGHT ? room.GetRight() + 1 - extent.x : room.x;
  // A plain line starts at its top, as the toolkit's label; a field's text
  // is in the middle of the field.
  int y = look_ == Look::kField ? room.y + (room.height - extent.y) / 2 : room.y;
  dc.DrawText(shown, x, y);
}

}  // namespace fennimar::app
