// Names for screen readers on Windows, through MSAA (which UI Automation
// reads too): the named windows and the toolbar get accessible objects of
// their own, which answer with the name and role given here and leave
// everything else (position, focus, state) to the system's standard object.
#include <wx/access.h>
#include <wx/toolbar.h>
#include <wx/window.h>

#include <map>

#include "app/accessible_name.h"

namespace fennimar::app {
namespace {

// A window that shows text it draws itself.
class NamedAccessible : public wxWindowAccessible {
 public:
  NamedAccessible(wxWindow* window, const wxString& name, AccessibleRole role)
      : wxWindowAccessible(window), name_(name), role_(role) {}

  // Whether the name changed.
  bool Rename(const wxString& name, AccessibleRole role) {
    role_ = role;
    if (name == name_) return false;
    name_ = name;
    return true;
  }

  wxAccStatus GetName(int childId, wxString* name) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *name = name_;
    return wxACC_OK;
  }

  wxAccStatus GetRole(int childId, wxAccRole* role) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *role =
        role_ == AccessibleRole::kStatusBar ? wxROLE_SYSTEM_STATUSBAR : wxROLE_SYSTEM_STATICTEXT;
    return wxACC_OK;
  }

  wxAccStatus GetValue(int childId, wxString* value) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    // A status bar's reader speaks its value; a label has none.
    *value = role_ == AccessibleRole::kStatusBar ? name_ : wxString();
    return wxACC_OK;
  }

 private:
  wxString name_;
  AccessibleRole role_;
};

// The toolbar, whose buttons show only pictures: each button (a child
// counted from 1, separators included, in the toolbar's order) is a push
// button named as given; a place holder is there but invisible.
class ToolbarAccessible : public wxWindowAccessible {
 public:
  explicit ToolbarAccessible(wxToolBar* toolbar) : wxWindowAccessible(toolbar), toolbar_(toolbar) {}

  void Name(int position, const wxString& name) { names_[position] = name; }

  wxAccStatus GetChildCount(int* count) override {
    *count = static_cast<int>(toolbar_->GetToolsCount());
    return wxACC_OK;
  }

  wxAccStatus GetChild(int childId, wxAccessible** child) override {
    if (childId == wxACC_SELF) {
      *child = this;
      return wxACC_OK;
    }
    if (!Tool(childId)) return wxACC_INVALID_ARG;
    *child = nullptr;  // a plain element of this object
    return wxACC_OK;
  }

  wxAccStatus GetName(int childId, wxString* name) override {
    if (childId == wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    const wxToolBarToolBase* tool = Tool(childId);
    if (!tool) return wxACC_INVALID_ARG;
    const wxString* given = GivenName(childId);
    *name = given ? *given : tool->GetShortHelp();
    return wxACC_OK;
  }

  wxAccStatus GetRole(int childId, wxAccRole* role) override {
    if (childId == wxACC_SELF) {
      *role = wxROLE_SYSTEM_TOOLBAR;
      return wxACC_OK;
    }
    const wxToolBarToolBase* tool = Tool(childId);
    if (!tool) return wxACC_INVALID_ARG;
    *role = tool->IsSeparator() ? wxROLE_SYSTEM_SEPARATOR : wxROLE_SYSTEM_PUSHBUTTON;
    return wxACC_OK;
  }

  wxAccStatus GetState(int childId, long* state) override {
    if (childId == wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    const wxToolBarToolBase* tool = Tool(childId);
    if (!tool) return wxACC_INVALID_ARG;
    const wxString* given = GivenName(childId);
    bool placeHolder = given && given->empty();
    *state = placeHolder         ? wxACC_STATE_SYSTEM_INVISIBLE
             : tool->IsEnabled() ? wxACC_STATE_SYSTEM_FOCUSABLE
                                 : wxACC_STATE_SYSTEM_UNAVAILABLE;
    return wxACC_OK;
  }

  wxAccStatus GetDefaultAction(int childId, wxString* action) override {
    if (childId == wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    if (!Tool(childId)) return wxACC_INVALID_ARG;
    *action = "Press";
    return wxACC_OK;
  }

 private:
  const wxToolBarToolBase* Tool(int childId) const {
    if (childId < 1 || childId > static_cast<int>(toolbar_->GetToolsCount())) return nullptr;
    return toolbar_->GetToolByPos(childId - 1);
  }

  // The name given to the child's position, if any.
  const wxString* GivenName(int childId) const {
    auto given = names_.find(childId - 1);
    return given != names_.end() ? &given->second : nullptr;
  }

  wxToolBar* toolbar_;
  std::map<int, wxString> names_;
};

}  // namespace

void SetAccessibleName(wxWindow* window, const wxString& name, AccessibleRole role) {
  if (!window) return;
  if (auto* named = dynamic_cast<NamedAccessible*>(window->GetAccessible())) {
    // A repeated text is not announced again.
    if (!named->Rename(name, role)) return;
  } else {
    window->SetAccessible(new NamedAccessible(window, name, role));
  }
  if (window->GetHandle()) {
    wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_NAMECHANGE, window, wxOBJID_CLIENT, wxACC_SELF);
  }
}

void SetToolAccessibleName(wxToolBar* toolbar, int position, const wxString& name) {
  if (!toolbar) return;
  auto* accessible = dynamic_cast<ToolbarAccessible*>(toolbar->GetAccessible());
  if (!accessible) {
    accessible = new ToolbarAccessible(toolbar);
    toolbar->SetAccessible(accessible);
  }
  accessible->Name(position, name);
}

}  // namespace fennimar::app
