#include "app/help.h"

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/stdpaths.h>

#include "platform/fs.h"

namespace fennimar::app {
namespace {

constexpr const char* kBook = "fennimar.hhp";

}  // namespace

std::string ManualDirectory() {
  wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
  std::string installed = exe.GetPath().utf8_string() + "/../share/fennimar/manual";
  if (PathExists(installed + "/" + kBook)) return installed;
#ifdef FENNIMAR_SOURCE_MANUAL
  if (PathExists(std::string(FENNIMAR_SOURCE_MANUAL) + "/" + kBook)) return FENNIMAR_SOURCE_MANUAL;
#endif
  return {};
}

void ShowManual(wxWindow* owner) {
  static wxHtmlHelpController* help = nullptr;
  std::string directory = ManualDirectory();
  if (directory.empty()) return;
  if (!help) {
    help = new wxHtmlHelpController(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS, owner);
    help->SetTitleFormat("%s");
    if (!help->AddBook(wxString::FromUTF8(directory + "/" + kBook))) return;
  }
  help->DisplayContents();
}

}  // namespace fennimar::app
