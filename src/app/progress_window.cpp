#include "app/progress_window.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/drawn_label.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {
namespace {

// The bar's band: the geometry puts the bar 48 to 28 pixels above the bottom
// of the client rectangle it is given, so a panel of 20 pixels is given a
// rectangle that ends 28 pixels below it.
constexpr int kBarHeight = 20;

wxRect ToWx(const Rect& r) { return wxRect(r.left, r.top, r.Width(), r.bottom - r.top); }

}  // namespace

ProgressWindow::ProgressWindow(wxWindow* owner)
    : wxDialog(owner, wxID_ANY, "Processing Please Wait", wxDefaultPosition, wxDefaultSize,
               wxCAPTION) {
  // Painted by the toolkit alone, as the main window.
  SetBackgroundStyle(wxBG_STYLE_SYSTEM);
  auto* top = new wxBoxSizer(wxVERTICAL);
  status_ = new DrawnLabel(this, kIdProgressStatus, "", wxDefaultPosition, wxSize(FromDIP(440), -1),
                           DrawnLabel::Look::kField);
  top->Add(status_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(8));
  auto* stop = new wxButton(this, wxID_CANCEL, "&Stop");
  top->Add(stop, 0, wxALIGN_CENTER | wxTOP, FromDIP(8));

  // (Nameless: Windows would give a screen reader the name as its text.)
  bar_ =
      new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(-1, kBarHeight), wxTAB_TRAVERSAL, "");
  bar_->SetBackgroundColour(GetBackgroundColour());
  bar_->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
  bar_->SetBackgroundStyle(wxBG_STYLE_PAINT);
  top->Add(bar_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(3));

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  percent_ = new DrawnLabel(this, kIdProgressPercent, "0", wxDefaultPosition,
                            wxSize(FromDIP(56), -1), DrawnLabel::Look::kField, wxALIGN_RIGHT);
  row->Add(percent_, 0, wxALIGN_CENTER_VERTICAL);
  row->Add(new wxStaticText(this, wxID_ANY, "% Complete"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT,
           FromDIP(6));
  top->Add(row, 0, wxALIGN_CENTER | wxALL, FromDIP(8));
  SetSizerAndFit(top);

  bar_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) { PaintBar(); });
  stop->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Stop(); });
  // The window has no close box; a close request from the window manager
  // is taken as Stop and never ends the window.
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    event.Veto();
    Stop();
  });
  stop->SetFocus();
}

void ProgressWindow::Attach(ProgressDialog* progress) {
  progress_ = progress;
  shownPercent_ = -1;
  if (progress_) ShowState();
}

void ProgressWindow::Stop() {
  if (progress_) progress_->Stop();
}

void ProgressWindow::ShowState() {
  if (!progress_) return;
  status_->SetLabel(wxString::FromUTF8(progress_->statusText()));
  if (shownPercent_ != progress_->percent()) {
    shownPercent_ = progress_->percent();
    percent_->SetLabel(wxString::Format("%d", shownPercent_));
    bar_->Refresh(false);
  }
}

void ProgressWindow::PaintBar() {
  wxPaintDC dc(bar_);
  wxSize size = bar_->GetClientSize();
  dc.SetBackground(wxBrush(bar_->GetBackgroundColour()));
  dc.Clear();
  int percent = progress_ ? progress_->percent() : 0;
  BarGeometry g = ProgressDialog::Geometry(Rect{0, 0, size.x, kBarHeight + 28}, percent);
  wxColour colour = bar_->GetForegroundColour();
  dc.SetPen(wxPen(colour));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(ToWx(g.bar));
  if (g.filled.Width() > 0) {
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(ToWx(g.filled));
  }
}

}  // namespace fennimar::app
