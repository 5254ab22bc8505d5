// FileSelection: how the main window's file gets selected, by the file
// dialog or by a drop, and what the information lines say about it.
//
// Toolkit-free: the window is reached through SelectionWindow (menu items,
// posted commands, repaint) and the UserInterface (information lines,
// message boxes), so the rules are tested without a display.
//
// The selection keeps the full path whatever its length and the true 64-bit
// size; the split and the merge refuse what they cannot handle with their own
// messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/selection.h"

namespace fennimar {
class UserInterface;
}

namespace fennimar::app {

// What file selection does to the main window besides the information lines.
class SelectionWindow {
 public:
  virtual ~SelectionWindow() = default;
  // Enables or greys the Split and Merge menu items.
  virtual void EnableFileCommands(bool enabled) = 0;
  // Queues a command to run after the current one has returned, in the order
  // posted.
  virtual void PostCommand(int id) = 0;
  // Repaints the window at once.
  virtual void Repaint() = 0;
};

// The filter list of the open-file dialog: display text and pattern list
// pairs separated by "|". The desktop's dialog matches patterns with regard
// to case, so each pattern spells every letter in both cases: REPORT.Z00 and
// report.z00 are both parts. The archive filter comes first and shows its
// patterns as its name; its "*.z*" lists parts and .zip files alike. "All
// Files" matches names without a dot too, as files here often have.
inline constexpr std::string_view kFileDialogFilters =
    "*.zip;*.exe;*.z*;*.arc;*.tgz;*.lzh|"
    "*.[zZ][iI][pP];*.[eE][xX][eE];*.[zZ]*;*.[aA][rR][cC];*.[tT][gG][zZ];*.[lL][zZ][hH]|"
    "Znn Files (*.z*)|*.[zZ]*|"
    "Mail messages (*.eml;*.mbox)|*.[eE][mM][lL];*.[mM][bB][oO][xX];*.[mM][bB][xX]|"
    "All Files (*.*)|*";
inline constexpr std::string_view kDefaultExtension = "zip";

// The path the file dialog hands over: a name typed without an extension
// gets ".zip" appended.
std::string WithDefaultExtension(const std::string& path);

class FileSelection {
 public:
  FileSelection(UserInterface& ui, SelectionWindow& window) : ui_(ui), window_(window) {}

  // The file dialog closed with OK on `path`: the third line names it as the
  // selected file,
  // Split and Merge are enabled, and when the file opens its size is shown
  // and the toolbar layout with a file is posted. A file that does not open
  // gets "Can not open file" and keeps the old size.
  void Chosen(const std::string& path);
  // The file dialog was cancelled: the lines return to their labels, Split
  // and Merge are greyed and the toolbar without a file is posted. The
  // selection itself is kept.
  void Cancelled();
  // Files dropped on the window or a line: the first one is selected; a part
  // file, a recovery file, or mail that may carry parts (a message, an mbox file, a Maildir
  // folder), posts Merge, any other file shows its size and name and posts
  // Split;
  // then the toolbar with a file is posted. Nothing is posted for a file
  // that does not open.
  void Dropped(const std::vector<std::string>& paths);

  const Selection& selection() const { return selection_; }

 private:
  // Selects `path`, enables Split and Merge and measures the file; false
  // (after the message) when it does not open.
  bool Select(const std::string& path);

  UserInterface& ui_;
  SelectionWindow& window_;
  Selection selection_;
};

// " File size: <n>".
std::string FileSizeText(std::int64_t size);
// " Selected File: <path>".
std::string SelectedFileText(const std::string& path);

}  // namespace fennimar::app
