// MainWindow: the program's one window. Its menu, accelerators, toolbar and
// status bar give the commands; its four information lines tell what is
// going on. It is a thin dispatcher: file selection lives in FileSelection,
// the split and the merge in their engines, the defaults in DefaultsForm;
// the window routes commands to them and mirrors their state.
//
// While a split or a merge runs, the engine pumps the window's events; every
// command that arrives meanwhile is refused, and closing the window (its
// close box or Quit) asks "Do you really want stop?" and closes once the
// engine has ended.
#pragma once

#include <wx/frame.h>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/file_selection.h"
#include "app/help.h"
#include "app/toolbar_layout.h"
#include "app/wx_user_interface.h"
#include "platform/drive.h"
#include "settings/settings_store.h"

class wxPanel;
class wxMenuItem;

namespace fennimar::app {

class InfoLineLabel;

// How often the lock keys are looked at while a split or a merge runs.
inline constexpr std::chrono::milliseconds kKeyStateInterval{250};

// The file dialog, replaceable for tests: the chosen path, or none when the
// user cancelled.
using FileChooser = std::function<std::optional<std::string>(wxWindow* owner)>;

class MainWindow : public wxFrame, public SelectionWindow, public InfoLineOwner {
 public:
  // Start-up: creates the window for a desktop font whose text line is
  // `textLineHeight` pixels high, checks Run Minimized from the setting
  // MINIMIZED, shows the window (minimized when that setting is "YES"),
  // writes the setting back and lays out the information lines.
  static MainWindow* Start(int textLineHeight);

  // The state the commands share.
  const Selection& selection() const { return selection_.selection(); }
  std::string LineText(fennimar::InfoLine line) const;
  int lineHeight() const { return lineHeight_; }
  // True while a split or a merge runs, or a command's dialog is open: the
  // window then refuses every other command and every drop.
  bool Busy() const { return running_ || dialogOpen_; }
  bool closeAfterRun() const { return closeAfterRun_; }
  const ToolbarLayout& toolbarLayout() const { return *layout_; }
  WxUserInterface& ui() { return ui_; }
  SettingsStore& settings() { return settings_; }

  // Handles files dropped on the window or on one of its lines.
  void DropFiles(const std::vector<std::string>& paths);
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

  // SelectionWindow.
  void EnableFileCommands(bool enabled) override;
  void PostCommand(int id) override;
  void Repaint() override;
  // InfoLineOwner.
  wxWindow* Window() override { return this; }
  void SetLine(fennimar::InfoLine line, std::string_view text) override;

 private:
  explicit MainWindow(int textLineHeight);

  void CreateMenus();
  void CreateBars();
  void CreateInfoLines();
  void ApplyToolbar(const ToolbarLayout& layout);
  void ShowKeyStates();

  void OnCommand(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void SelectFile();
  void Split();
  void Merge();
  void ToggleRunMinimized();
  void Defaults();
  void Help();
  void HomePage();
  void About();
  // Runs one split or merge with the commands refused meanwhile, and closes
  // the window afterwards when that was asked for during the run.
  void RunEngine(const std::function<void()>& run);
  // Runs a command that shows a modal dialog, with the window busy meanwhile.
  void RunDialog(const std::function<void()>& show);

  int lineHeight_;
  SettingsStore settings_;
  SystemDrives drives_;
  WxUserInterface ui_;
  FileSelection selection_;
  FileChooser chooseFile_;
  Manual manual_{this};

  wxPanel* panel_ = nullptr;
  std::array<InfoLineLabel*, 4> lines_{};
  wxMenuItem* splitItem_ = nullptr;
  wxMenuItem* mergeItem_ = nullptr;
  wxMenuItem* runMinimizedItem_ = nullptr;
  const ToolbarLayout* layout_ = nullptr;
  std::array<bool, 3> keyStates_{};
  std::chrono::steady_clock::time_point keysShown_;

  bool running_ = false;
  bool dialogOpen_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace fennimar::app
