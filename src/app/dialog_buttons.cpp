#include "app/dialog_buttons.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>

namespace fennimar::app {

wxSizer* OkCancelButtons(wxDialog* dialog, std::function<void()> onOk) {
  auto* buttons = new wxStdDialogButtonSizer();
  auto* ok = new wxButton(dialog, wxID_OK, "&OK");
  ok->SetDefault();
  buttons->AddButton(ok);
  buttons->AddButton(new wxButton(dialog, wxID_CANCEL, "&Cancel"));
  buttons->Realize();
  ok->Bind(wxEVT_BUTTON, [onOk = std::move(onOk)](wxCommandEvent&) { onOk(); });
  return buttons;
}

}  // namespace fennimar::app
