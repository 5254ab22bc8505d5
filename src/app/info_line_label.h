// InfoLineLabel: the widget that shows one of the main window's information
// lines (an InfoLine), and FileDropForwarder, the drop target that the window
// and each of its lines carry. A file dropped on a line is handled exactly
// like one dropped on the window.
#pragma once

#include <wx/dnd.h>

#include <functional>
#include <string>
#include <vector>

#include "app/drawn_label.h"

namespace fennimar::app {

using DropHandler = std::function<void(const std::vector<std::string>& paths)>;

class FileDropForwarder : public wxFileDropTarget {
 public:
  explicit FileDropForwarder(DropHandler handler) : handler_(std::move(handler)) {}
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;

 private:
  DropHandler handler_;
};

class InfoLineLabel : public DrawnLabel {
 public:
  // A line of the given width and height at (`left`, `top`), showing
  // `text`, that passes dropped files to `onDrop`. A text too long for the
  // line is shown with an ellipsis in its middle.
  InfoLineLabel(wxWindow* parent, int left, int top, int width, int height, const wxString& text,
                DropHandler onDrop);

  void SetText(const std::string& text) { SetLabel(wxString::FromUTF8(text)); }
  std::string Text() const { return GetLabel().utf8_string(); }
};

}  // namespace fennimar::app
