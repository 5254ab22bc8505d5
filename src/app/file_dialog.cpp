#include "app/file_dialog.h"

#include "app/file_selection.h"
#include "platform/file_status.h"
#include "platform/path.h"

namespace fennimar::app {
namespace {

// The folder of `file` when it is an existing directory; else empty, which
// leaves the start folder to the desktop.
wxString FolderOf(const std::string& file) {
  if (file.empty()) return {};
  std::string folder = DirectoryOf(file);
  if (folder.empty() || KindOf(folder) != EntryKind::kDirectory) return {};
  return wxString::FromUTF8(folder);
}

}  // namespace

int OpenFileDialog::lastFilter_ = 0;

OpenFileDialog::OpenFileDialog(wxWindow* owner, const std::string& currentFile)
    : wxFileDialog(owner, wxFileSelectorPromptStr, FolderOf(currentFile), "",
                   wxString::FromUTF8(kFileDialogFilters.data(), kFileDialogFilters.size()),
                   wxFD_OPEN) {
  SetFilterIndex(lastFilter_);
}

std::optional<std::string> OpenFileDialog::Choose() {
  bool chosen = ShowModal() == wxID_OK;
  RememberFilter();
  if (!chosen) return std::nullopt;
  return WithDefaultExtension(GetPath().utf8_string());
}

void OpenFileDialog::RememberFilter() {
  int shown = GetFilterIndex();
  if (shown >= 0) lastFilter_ = shown;
}

}  // namespace fennimar::app
