#include "app/help.h"

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpwnd.h>
#include <wx/splitter.h>
#include <wx/stdpaths.h>
#include <wx/treectrl.h>

#include "platform/file_status.h"

namespace fennimar::app {
namespace {

constexpr const char* kBook = "fennimar.hhp";
// Wide enough for the Contents, Index and Search tabs side by side.
constexpr int kNavigationWidth = 300;

}  // namespace

std::string ManualDirectory() {
  wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
  std::string installed = exe.GetPath().utf8_string() + "/../share/fennimar/manual";
  if ((KindOf(installed + "/" + kBook) != EntryKind::kNone)) return installed;
#ifdef FENNIMAR_SOURCE_MANUAL
  if ((KindOf(std::string(FENNIMAR_SOURCE_MANUAL) + "/" + kBook) != EntryKind::kNone))
    return FENNIMAR_SOURCE_MANUAL;
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
  // The toolkit opens its viewer with the navigation pane too narrow for its
  // three tabs and the book closed: a new viewer gets room and an open book.
  wxHtmlHelpWindow* window = help->GetHelpWindow();
  wxSplitterWindow* panes = window ? window->GetSplitterWindow() : nullptr;
  const int wanted = owner->FromDIP(kNavigationWidth);
  if (panes && panes->IsSplit() && panes->GetSashPosition() < wanted) {
    panes->SetSashPosition(wanted);
    if (wxTreeCtrl* contents = window->GetTreeCtrl()) contents->ExpandAll();
  }
}

}  // namespace fennimar::app
