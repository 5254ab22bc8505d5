#include "app/about_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "app/images.h"
#include "build_info.h"

namespace fennimar::app {

AboutDialog::AboutDialog(wxWindow* owner) : wxDialog(owner, wxID_ANY, "About Fennimar") {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* body = new wxBoxSizer(wxHORIZONTAL);
  body->Add(new wxStaticBitmap(this, wxID_ANY, ProgramIconBitmap()), 0, wxALIGN_TOP | wxRIGHT,
            FromDIP(16));
  auto* text = new wxBoxSizer(wxVERTICAL);
  auto* name = new wxStaticText(this, wxID_ANY, "Fennimar - Split/Merge Files");
  name->SetFont(name->GetFont().Bold());
  text->Add(name, 0, wxALIGN_CENTER);
  text->Add(new wxStaticText(this, wxID_ANY, wxString("Version ") + kProgramVersion), 0,
            wxALIGN_CENTER | wxTOP, FromDIP(6));
  body->Add(text, 1, wxALIGN_CENTER_VERTICAL);
  top->Add(body, 0, wxALL, FromDIP(16));
  auto* ok = new wxButton(this, wxID_OK, "OK");
  ok->SetDefault();
  top->Add(ok, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(12));
  SetSizerAndFit(top);
  CentreOnParent();
  ok->SetFocus();
}

}  // namespace fennimar::app
