#include "app/progress_window.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/progress_dialog.h"

namespace fennimar::app {
namespace {

// The bar's band: the geometry puts the bar 48 to 28 pixels above the bottom
// of the client rectangle it is given, so a panel of 20 pixels is given a
// rectangle that ends 28 pixels below it.
constexpr int kBarHeight = 20;

wxRect ToWx(const Rect& r) { return wxRect(r.left, r.top, r.Width(), r.bottom - r.top); }

}  // namespace

ProgressWindow::ProgressWindow(wxWindow* owner, ProgressDialog& progress)
    : wxDialog(owner, wxID_ANY, "Processing Please Wait", wxDefaultPosition, wxDefaultSize,
               wxCAPTION),
      progress_(progress) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  status_ = new wxTextCtrl(this, kIdProgressStatus, "", wxDefaultPosition, wxSize(FromDIP(440), -1),
                           wxTE_READONLY);
  top->Add(status_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(8));
  auto* stop = new wxButton(this, wxID_CANCEL, "&Stop");
  top->Add(stop, 0, wxALIGN_CENTER | wxTOP, FromDIP(8));

  bar_ = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(-1, kBarHeight));
  bar_->SetBackgroundStyle(wxBG_STYLE_PAINT);
  top->Add(bar_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(3));

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  percent_ = new wxTextCtrl(this, kIdProgressPercent, "0", wxDefaultPosition,
                            wxSize(FromDIP(56), -1), wxTE_READONLY | wxTE_RIGHT);
  percent_->SetCanFocus(false);
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

void ProgressWindow::Stop() { progress_.Stop(); }

void ProgressWindow::ShowState() {
  wxString text = wxString::FromUTF8(progress_.statusText());
  if (status_->GetValue() != text) status_->ChangeValue(text);
  if (shownPercent_ != progress_.percent()) {
    shownPercent_ = progress_.percent();
    percent_->ChangeValue(wxString::Format("%d", shownPercent_));
    // Only the bar changes; paint it now rather than when the queue is idle.
    bar_->Refresh(false);
    bar_->Update();
  }
}

void ProgressWindow::PaintBar() {
  wxPaintDC dc(bar_);
  wxSize size = bar_->GetClientSize();
  dc.SetBackground(wxBrush(GetBackgroundColour()));
  dc.Clear();
  BarGeometry g =
      ProgressDialog::Geometry(Rect{0, 0, size.x, kBarHeight + 28}, progress_.percent());
  wxColour colour = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  dc.SetPen(wxPen(colour));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(ToWx(g.bar));
  if (g.filled.Width() > 0) {
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(ToWx(g.filled));
  }
}

}  // namespace fennimar::app
