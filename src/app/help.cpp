#include "app/help.h"

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/notebook.h>
#include <wx/splitter.h>
#include <wx/stdpaths.h>
#include <wx/treectrl.h>

#include "platform/file_status.h"

namespace fennimar::app {
namespace {

constexpr const char* kBook = "fennimar.hhp";
// Wide enough for the Contents, Index and Search tabs side by side.
constexpr int kNavigationWidth = 300;

// Gives every page of every notebook under `window` the notebook's size and
// lays it out. A page not yet shown keeps its controls at their first, tiny
// sizes until it is; the toolkit allocates hidden pages all the same, and a
// list of a few pixels has no room for its scroll bars.
void LayOutPages(wxWindow* window) {
  if (auto* book = dynamic_cast<wxNotebook*>(window)) {
    for (std::size_t i = 0; i < book->GetPageCount(); ++i) {
      wxWindow* page = book->GetPage(i);
      page->SetSize(book->GetClientSize());
      page->Layout();
    }
  }
  for (wxWindow* child : window->GetChildren()) LayOutPages(child);
}

// The help viewer whose window is laid out before it is first shown.
class ManualViewer : public wxHtmlHelpController {
 public:
  using wxHtmlHelpController::wxHtmlHelpController;

 protected:
  wxHtmlHelpFrame* CreateHelpFrame(wxHtmlHelpData* data) override {
    wxHtmlHelpFrame* frame = wxHtmlHelpController::CreateHelpFrame(data);
    frame->Layout();
    LayOutPages(frame);
    return frame;
  }
};

}  // namespace

std::string ManualDirectory() {
  // Installed: under share/ beside bin/ on Linux, in manual\ beside the
  // program on Windows.
  std::string programs =
      wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath().utf8_string();
  for (const char* place : {"/../share/fennimar/manual", "/manual"}) {
    std::string installed = programs + place;
    if ((KindOf(installed + "/" + kBook) != EntryKind::kNone)) return installed;
  }
#ifdef FENNIMAR_SOURCE_MANUAL
  if ((KindOf(std::string(FENNIMAR_SOURCE_MANUAL) + "/" + kBook) != EntryKind::kNone))
    return FENNIMAR_SOURCE_MANUAL;
#endif
  return {};
}

Manual::Manual(wxWindow* owner) : owner_(owner) {}

Manual::~Manual() = default;

bool Manual::Show(const std::string& page) {
  std::string directory = ManualDirectory();
  if (directory.empty()) return false;
  if (!viewer_) {
    auto viewer = std::make_unique<ManualViewer>(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS, owner_);
    viewer->SetTitleFormat("%s");
    if (!viewer->AddBook(wxString::FromUTF8(directory + "/" + kBook))) return false;
    viewer_ = std::move(viewer);
  }
  wxHtmlHelpController* help = viewer_.get();
  if (page.empty()) {
    help->DisplayContents();
  } else {
    help->Display(wxString::FromUTF8(page));
  }
  // The toolkit opens its viewer with the navigation pane too narrow for its
  // three tabs and the book closed: a new viewer gets room and an open book.
  wxHtmlHelpWindow* window = help->GetHelpWindow();
  wxSplitterWindow* panes = window ? window->GetSplitterWindow() : nullptr;
  const int wanted = owner_->FromDIP(kNavigationWidth);
  if (panes && panes->IsSplit() && panes->GetSashPosition() < wanted) {
    panes->SetSashPosition(wanted);
    if (wxTreeCtrl* contents = window->GetTreeCtrl()) contents->ExpandAll();
  }
  return true;
}

}  // namespace fennimar::app
