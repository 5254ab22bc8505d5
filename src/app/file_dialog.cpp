#include "app/file_dialog.h"

#include "app/file_selection.h"

namespace fennimar::app {

OpenFileDialog::OpenFileDialog(wxWindow* owner)
    : wxFileDialog(owner, wxFileSelectorPromptStr, "", "",
                   wxString::FromUTF8(kFileDialogFilters.data(), kFileDialogFilters.size()),
                   wxFD_OPEN) {
  SetFilterIndex(0);
}

std::optional<std::string> OpenFileDialog::Choose() {
  if (ShowModal() != wxID_OK) return std::nullopt;
  return WithDefaultExtension(GetPath().utf8_string());
}

}  // namespace fennimar::app
