// The main window under Xvfb: start-up and its setting, the menu, the
// toolbar layouts, selection and drops, and commands refused during a run.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/help.h"
#include "app/main_window.h"
#include "app/window_metrics.h"
#include "app_window_test.h"
#include "test_support.h"

namespace fennimar::app {
namespace {

using MainWindowTest = WindowTest;

using testing::AnsweredMessages;
using testing::Settle;
using testing::TempDir;

const std::vector<int> kWithoutFile{kIdSelectFile, 0, 0, 0, 0, kIdDefaults, 0, kIdHelp, kIdAbout};
const std::vector<int> kWithFile{kIdSelectFile, 0, kIdSplit, kIdMerge, 0,
                                 kIdDefaults,   0, kIdHelp,  kIdAbout};

TEST_F(MainWindowTest, FirstStartShowsTheEmptyWindowAndStoresMinimizedNo) {
  MainWindow& w = Start();
  EXPECT_EQ(w.GetTitle(), "Fennimar 3.13");
  EXPECT_TRUE(SettleUntil([&] { return w.GetPosition() == wxPoint(100, 85); }))
      << w.GetPosition().x << "," << w.GetPosition().y;
  EXPECT_EQ(w.GetClientSize().x, 450);
  EXPECT_EQ(w.GetMinSize(), w.GetMaxSize()) << "the window's size is fixed";
  EXPECT_FALSE(w.HasFlag(wxRESIZE_BORDER));
  EXPECT_FALSE(w.HasFlag(wxMAXIMIZE_BOX));
  EXPECT_FALSE(w.IsIconized());

  EXPECT_TRUE(Enabled(kIdSelectFile));
  EXPECT_FALSE(Enabled(kIdSplit));
  EXPECT_FALSE(Enabled(kIdMerge));
  EXPECT_FALSE(w.GetMenuBar()->IsChecked(kIdRunMinimized));
  EXPECT_EQ(ToolIds(), kWithoutFile);

  EXPECT_EQ(Line(fennimar::InfoLine::kDirectory), " Working directory:");
  EXPECT_EQ(Line(fennimar::InfoLine::kSize), " File size:");
  EXPECT_EQ(Line(fennimar::InfoLine::kTarget), " Target File:");
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " ");
  EXPECT_EQ(w.lineHeight(), ScaleLineHeight(MeasureTextLineHeight()));

  EXPECT_EQ(SettingsText(), "[FENNIMAR]\nMINIMIZED=NO\n");
}

TEST_F(MainWindowTest, MenusCarryTheirTextsAcceleratorsAndPrompts) {
  MainWindow& w = Start();
  wxMenuBar* bar = w.GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 3u);
  EXPECT_EQ(bar->GetMenuLabel(0), "&File");
  EXPECT_EQ(bar->GetMenuLabel(1), "&Setup");
  EXPECT_EQ(bar->GetMenuLabel(2), "&Help");
  struct Item {
    int id;
    const char* text;
    const char* prompt;
  };
  const Item items[] = {{101, "Select &File\tF2", "Select File For Split/Merge"},
                        {116, "&Open...\tCtrl+O", "Select File For Split/Merge"},
                        {117, "&Quit\tCtrl+Q", "Close the window and end the program"},
                        {102, "&Split File\tF3", "Split selected file"},
                        {105, "&Merge File\tF4", "Merge selected file"},
                        {113, "&Run Minimized\tF6", ""},
                        {114, "&Defaults\tF7", "Change default setings"},
                        {109, "&Help \tF1", "Display Help"},
                        {115, "Home Page\tF8", ""},
                        {100, "&About Fennimar...\tF5", "About Dialog"}};
  for (const Item& item : items) {
    wxMenuItem* found = bar->FindItem(item.id);
    ASSERT_NE(found, nullptr) << item.id;
    EXPECT_EQ(found->GetItemLabel(), item.text);
    EXPECT_EQ(found->GetHelp(), item.prompt);
  }
  wxStatusBar* status = w.GetStatusBar();
  ASSERT_EQ(status->GetFieldsCount(), 4);
  EXPECT_EQ(status->GetStatusText(0), "");
  // A highlighted item's prompt shows in the message pane.
  for (const Item& item : items) {
    wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, item.id);
    highlight.SetEventObject(&w);
    w.GetEventHandler()->ProcessEvent(highlight);
    EXPECT_EQ(status->GetStatusText(0), item.prompt) << item.id;
  }
}

TEST_F(MainWindowTest, MinimizedYesStartsMinimizedAndF6TogglesOnlyTheSetting) {
  StoreSetting("MINIMIZED", "YES");
  MainWindow& w = Start();
  EXPECT_TRUE(w.GetMenuBar()->IsChecked(kIdRunMinimized));
  // Only a window manager minimizes windows.
  const bool managed = getenv("FENNIMAR_TEST_WM") != nullptr;
  if (managed) {
    EXPECT_TRUE(SettleUntil([&] { return w.IsIconized(); }));
  }
  EXPECT_EQ(SettingsText(), "[FENNIMAR]\nMINIMIZED=YES\n");

  Command(kIdRunMinimized);
  EXPECT_FALSE(w.GetMenuBar()->IsChecked(kIdRunMinimized));
  EXPECT_EQ(SettingsText(), "[FENNIMAR]\nMINIMIZED=NO\n");
  if (managed) {
    EXPECT_TRUE(w.IsIconized()) << "the running window is not restored";
  }

  Command(kIdRunMinimized);
  EXPECT_TRUE(w.GetMenuBar()->IsChecked(kIdRunMinimized));
  EXPECT_EQ(SettingsText(), "[FENNIMAR]\nMINIMIZED=YES\n");
}

TEST_F(MainWindowTest, SplitAndMergeDoNothingBeforeASelection) {
  Start();
  Command(kIdSplit);
  Command(kIdMerge);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(testing::ModalDialog(), nullptr);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " ");
}

// F1 shows the manual with its contents in view: the navigation wide enough
// for its tabs, the book open, and no complaint of the toolkit's on the way.
TEST_F(MainWindowTest, HelpShowsTheManualWithItsContentsOpen) {
  MainWindow& w = Start();
  ::testing::internal::CaptureStderr();
  Command(kIdHelp);
  std::string complaints = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(complaints.find("Gtk-"), std::string::npos) << complaints;
  wxHtmlHelpFrame* frame = nullptr;
  for (wxWindow* top : wxTopLevelWindows) {
    if (auto* found = dynamic_cast<wxHtmlHelpFrame*>(top)) frame = found;
  }
  ASSERT_NE(frame, nullptr);
  wxHtmlHelpWindow* help = frame->GetHelpWindow();
  EXPECT_GE(help->GetSplitterWindow()->GetSashPosition(), w.FromDIP(300));
  wxTreeCtrl* contents = help->GetTreeCtrl();
  wxTreeItemIdValue cookie;
  EXPECT_TRUE(contents->IsExpanded(contents->GetFirstChild(contents->GetRootItem(), cookie)));
  frame->Close();
  Settle();
}

// Home Page needs no browser: with nothing to start on the PATH, it opens
// the manual at its page about Fennimar.
TEST_F(MainWindowTest, HomePageOpensTheManualsPageAboutFennimar) {
  TempDir nothing;  // a PATH without xdg-open or any other opener
  std::string path = getenv("PATH");
  setenv("PATH", nothing.path().c_str(), 1);
  Start();
  Command(kIdHomePage);
  setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(messages.shown.empty());
  wxHtmlHelpFrame* frame = nullptr;
  for (wxWindow* top : wxTopLevelWindows) {
    if (auto* found = dynamic_cast<wxHtmlHelpFrame*>(top)) frame = found;
  }
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->GetHelpWindow()->GetHtmlWindow()->GetOpenedPage().EndsWith(kManualAboutPage));
  frame->Close();
  Settle();
}

// Real key presses through the X server (XTEST): the accelerators of the
// menu reach their commands, and greyed items' keys do nothing.
TEST_F(MainWindowTest, FunctionKeysReachTheirCommandsUnlessGreyed) {
  if (!getenv("FENNIMAR_TEST_WM")) GTEST_SKIP() << "needs a window manager to focus the window";
  MainWindow& w = Start();
  w.Raise();
  w.SetFocus();
  Settle();
  wxUIActionSimulator keys;
  keys.Char(WXK_F3);
  keys.Char(WXK_F4);
  Settle();
  EXPECT_EQ(testing::ModalDialog(), nullptr);
  EXPECT_TRUE(messages.shown.empty());

  keys.Char(WXK_F6);
  for (int i = 0; i < 50 && SettingsText().find("YES") == std::string::npos; ++i) {
    wxMilliSleep(10);
    Settle();
  }
  EXPECT_EQ(SettingsText(), "[FENNIMAR]\nMINIMIZED=YES\n");
  EXPECT_TRUE(w.GetMenuBar()->IsChecked(kIdRunMinimized));
}

TEST_F(MainWindowTest, LockKeyPanesFollowCapsLock) {
  MainWindow& w = Start();
  wxStatusBar* status = w.GetStatusBar();
  EXPECT_EQ(status->GetStatusText(1), wxGetKeyState(WXK_CAPITAL) ? "CAP" : "");
  wxUIActionSimulator keys;
  bool before = wxGetKeyState(WXK_CAPITAL);
  keys.Char(WXK_CAPITAL);
  for (int i = 0; i < 50 && wxGetKeyState(WXK_CAPITAL) == before; ++i) {
    wxMilliSleep(10);
    Settle();
  }
  if (wxGetKeyState(WXK_CAPITAL) == before)
    GTEST_SKIP() << "this X server does not toggle Caps Lock";
  w.ProcessWindowEvent(*std::make_unique<wxIdleEvent>());
  EXPECT_EQ(status->GetStatusText(1), before ? "" : "CAP");
  keys.Char(WXK_CAPITAL);  // back as it was
  Settle();
}

TEST_F(MainWindowTest, SelectionEnablesSplitAndMergeAndSwitchesTheToolbar) {
  MainWindow& w = Start();
  std::string path = MakeFile("REPORT.DOC", testing::Bytes(4321, 3));
  std::optional<std::string> choice = path;
  w.SetFileChooser([&](wxWindow*) { return choice; });

  Command(kIdSelectFile);
  EXPECT_TRUE(Enabled(kIdSplit));
  EXPECT_TRUE(Enabled(kIdMerge));
  EXPECT_EQ(ToolIds(), kWithFile);
  EXPECT_EQ(Line(fennimar::InfoLine::kTarget), " Selected File: " + path);
  EXPECT_EQ(Line(fennimar::InfoLine::kSize), " File size: 4321");

  choice.reset();
  Command(kIdSelectFile);
  EXPECT_FALSE(Enabled(kIdSplit));
  EXPECT_FALSE(Enabled(kIdMerge));
  EXPECT_EQ(ToolIds(), kWithoutFile);
  EXPECT_EQ(Line(fennimar::InfoLine::kTarget), " Target File:");
  EXPECT_EQ(Line(fennimar::InfoLine::kSize), " File size:");
  EXPECT_EQ(w.selection().selectedPath, path);

  choice = path;
  Command(kIdOpen);  // Ctrl+O: the same command by another key
  EXPECT_TRUE(Enabled(kIdSplit));
  EXPECT_EQ(ToolIds(), kWithFile);
}

TEST_F(MainWindowTest, QuitClosesTheWindow) {
  Start();
  Command(kIdQuit);
  EXPECT_FALSE(window);
}

// The title of the dialog (or the caption of the message) with which the
// command started by a drop greets the user; the dialog is cancelled.
class DropTest : public MainWindowTest {
 protected:
  std::string DropAndSeeWhatStarts(const std::string& path) {
    messages.shown.clear();
    testing::CancelWaits();
    std::string started;
    testing::WhenModal([&](wxDialog& dialog) {
      started = dialog.GetTitle().utf8_string();
      dialog.EndModal(wxID_CANCEL);
    });
    window->DropFiles({path});
    for (int i = 0; i < 50 && started.empty(); ++i) {
      Settle();
      if (!messages.shown.empty()) started = messages.shown.back().caption;
    }
    return started;
  }
  // A file that starts with `head`, large enough to be split.
  std::string MakeSplittable(const std::string& name, testing::Bytes head) {
    head.resize(2000);
    return MakeFile(name, head);
  }
};

TEST_F(DropTest, PartFileStartsMergeAndAnyOtherFileStartsSplit) {
  Start();
  std::string part = MakeFile("DATA.Z02", {5, 2, 0, 0});
  window->SetLine(fennimar::InfoLine::kSize, " File size: 1");
  std::string merge = DropAndSeeWhatStarts(part);
  EXPECT_EQ(merge, "Merge file");
  EXPECT_TRUE(Enabled(kIdMerge));
  EXPECT_EQ(ToolIds(), kWithFile);
  EXPECT_EQ(window->selection().selectedPath, part);

  EXPECT_EQ(DropAndSeeWhatStarts(MakeSplittable("DATA.ZIP", {5, 2, 0})), "Split file");
  EXPECT_EQ(Line(fennimar::InfoLine::kSize), " File size: 2000");
  EXPECT_EQ(DropAndSeeWhatStarts(MakeSplittable("data.z02", {5, 2, 0, 0})), "Split file");
  // One byte is no part either: its split dialog opens, and OK would be refused.
  EXPECT_EQ(DropAndSeeWhatStarts(MakeFile("A.Z00", {5})), "Split file");
}

TEST_F(DropTest, ToolbarFollowsADropWhileTheSplitDialogIsStillOpen) {
  Start();
  std::vector<int> whileOpen;
  testing::WhenModal([&](wxDialog& dialog) {
    Settle();  // the layout command posted after Split arrives now
    whileOpen = ToolIds();
    dialog.EndModal(wxID_CANCEL);
  });
  window->DropFiles({MakeSplittable("DATA.ZIP", {5, 2, 0})});
  Settle();
  EXPECT_EQ(whileOpen, kWithFile);
  EXPECT_EQ(ToolIds(), kWithFile) << "Escape in the split dialog keeps the layout";
}

TEST_F(DropTest, DropOfMissingFileStartsNothing) {
  Start();
  window->DropFiles({files / "GONE.Z00"});
  Settle();
  // The path is in the text, which the desktop never cuts, and the reason
  // follows it.
  EXPECT_EQ(messages.shown,
            (std::vector<testing::ShownMessage>{
                {"Can not open file\n" + files / "GONE.Z00" + "\nNo such file or directory",
                 files / "GONE.Z00", MessageKind::kOkWarning}}));
  EXPECT_EQ(ToolIds(), kWithoutFile);
  EXPECT_EQ(testing::ModalDialog(), nullptr);
}

}  // namespace
}  // namespace fennimar::app
