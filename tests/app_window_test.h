// The fixture of the GUI tests that need the main window: a temporary
// settings directory, answered message boxes, and the window started as the
// program starts it.
#pragma once

#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/split_dialog.h"
#include "app_gui_support.h"
#include "test_support.h"

namespace fennimar::app {

using testing::AnsweredMessages;
using testing::Settle;
using testing::TempDir;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", config.path().c_str(), 1); }
  void TearDown() override {
    testing::CancelWaits();
    if (window) window->Destroy();
    Settle();
  }

  MainWindow& Start() {
    window = MainWindow::Start(MeasureTextLineHeight());
    Settle();
    return *window;
  }
  // Settles until `done` holds, for at most about ten seconds: a window
  // manager on a loaded machine answers late. Returns `done()`.
  bool SettleUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      wxMilliSleep(10);
      Settle();
    }
    return done();
  }
  std::string SettingsText() { return testing::ReadText(config / "fennimar/FENNIMAR.INI"); }
  void StoreSetting(const std::string& key, const std::string& value) {
    SettingsStore::ForUser().WriteSetting("FENNIMAR", key, value);
  }
  void Command(int id) {
    window->GetEventHandler()->ProcessEvent(*std::make_unique<wxCommandEvent>(wxEVT_MENU, id));
    Settle();
  }
  std::vector<int> ToolIds() {
    std::vector<int> ids;
    wxToolBar* bar = window->GetToolBar();
    for (size_t i = 0; i < bar->GetToolsCount(); ++i) {
      const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(i));
      // A disabled button without a command only holds a place.
      ids.push_back(tool->IsButton() && tool->IsEnabled() ? tool->GetId() : 0);
    }
    return ids;
  }
  // Selects `path` through the Select File command.
  void Select(const std::string& path) {
    window->SetFileChooser([path](wxWindow*) { return std::optional<std::string>(path); });
    Command(kIdSelectFile);
  }
  // Splits `source` into parts of `bytes` bytes in `directory`, through the
  // dialog; `duringRun` is played once the progress window shows.
  void SplitThroughDialog(const std::string& source, int bytes, const std::string& directory,
                          std::function<void(ProgressWindow&)> duringRun = nullptr) {
    Select(source);
    testing::WhenModal([&](wxDialog& dialog) {
      testing::Click(dialog, kIdSplitOther);
      testing::Click(dialog, kIdSplitBytes);
      testing::Type(dialog, kIdSplitSize, std::to_string(bytes));
      testing::Type(dialog, kIdSplitDirectoryField, directory);
      if (duringRun) {
        testing::WhenReady([this] { return window->ui().progressWindow() != nullptr; },
                           [this, duringRun] { duringRun(*window->ui().progressWindow()); });
      }
      testing::Click(dialog, wxID_OK);
    });
    Command(kIdSplit);
  }
  bool Enabled(int id) { return window->GetMenuBar()->IsEnabled(id); }
  std::string Line(fennimar::InfoLine line) { return window->LineText(line); }
  std::string MakeFile(const std::string& name, testing::Bytes bytes) {
    std::string path = files / name;
    testing::WriteFile(path, bytes);
    return path;
  }

  TempDir config;
  TempDir files;
  AnsweredMessages messages;
  wxWeakRef<MainWindow> window;
};

}  // namespace fennimar::app
