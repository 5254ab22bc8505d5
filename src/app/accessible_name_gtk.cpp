#include <atk/atk.h>
#include <gtk/gtk.h>
#include <wx/toolbar.h>
#include <wx/window.h>

#include <string_view>

#include "app/accessible_name.h"

namespace fennimar::app {
namespace {

AtkRole ToAtkRole(AccessibleRole role) {
  return role == AccessibleRole::kStatusBar ? ATK_ROLE_STATUSBAR : ATK_ROLE_LABEL;
}

}  // namespace

void SetAccessibleName(wxWindow* window, const wxString& name, AccessibleRole role) {
  if (!window || !window->GetHandle()) return;
  AtkObject* accessible = gtk_widget_get_accessible(window->GetHandle());
  if (!accessible) return;
  // The role is set even when the name stays as it is: an empty first name
  // returns below.
  atk_object_set_role(accessible, ToAtkRole(role));
  // A repeated text is not announced again.
  const char* current = atk_object_get_name(accessible);
  const wxScopedCharBuffer utf8 = name.utf8_str();
  if (current && std::string_view(current) == utf8.data()) return;
  atk_object_set_name(accessible, utf8.data());
}

void SetToolAccessibleName(wxToolBar* toolbar, int position, const wxString& name) {
  if (!toolbar) return;
  GtkToolItem* item = gtk_toolbar_get_nth_item(toolbar->GTKGetToolbar(), position);
  if (!item) return;
  // The reader meets the button inside the tool item, not the item itself.
  GtkWidget* button = gtk_bin_get_child(GTK_BIN(item));
  if (!button) return;
  AtkObject* accessible = gtk_widget_get_accessible(button);
  if (!accessible) return;
  if (name.empty()) {
    // A place holder keeps the buttons where they stand; it is nothing to
    // press, so the reader does not list it.
    atk_object_set_role(accessible, ATK_ROLE_FILLER);
    return;
  }
  atk_object_set_name(accessible, name.utf8_str().data());
}

}  // namespace fennimar::app
