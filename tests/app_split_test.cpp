// The split through the real windows under Xvfb: the split dialog's
// controls and preview, a complete split, Stop, and what the window does
// with commands and a close request while the split runs.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/uiaction.h>

#include <chrono>

#include "app/progress_window.h"
#include "app/split_dialog.h"
#include "app_window_test.h"
#include "mail_test_server.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {
namespace {

using testing::Click;
using testing::IsChecked;
using testing::IsShown;
using testing::TextOf;
using testing::Type;

class SplitTest : public WindowTest {
 protected:
  // Opens the split dialog on a file of `size` bytes, plays `user` on it and
  // cancels it unless the user closed it.
  void WithSplitDialog(std::int64_t size, const std::function<void(wxDialog&)>& user) {
    Start();
    std::string path = files / "DATA.BIN";
    ASSERT_EQ(testing::Run("truncate -s " + std::to_string(size) + " '" + path + "'"), 0);
    Select(path);
    testing::WhenModal([&](wxDialog& dialog) {
      EXPECT_EQ(dialog.GetTitle(), "Split file");
      EXPECT_TRUE(testing::IsBeside(dialog, kIdSplitDirectoryField, kIdSplitBrowse));
      user(dialog);
      if (dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
    });
    std::string status = Line(fennimar::InfoLine::kStatus);
    std::string target = Line(fennimar::InfoLine::kTarget);
    Command(kIdSplit);
    // Nothing was split: the lines stay as the selection left them, which
    // names the file as the one selected, never as a target.
    EXPECT_EQ(target, " Selected File: " + path);
    EXPECT_EQ(Line(fennimar::InfoLine::kStatus), status);
    EXPECT_EQ(Line(fennimar::InfoLine::kTarget), target);
  }
  // Mails a 70,000-byte REPORT.DOC through `server` in parts of 30000 bytes
  // to bob@example.org; `beforeOk` plays on the dialog just before OK.
  void SplitByMail(const testing::SmtpTestServer& server,
                   const std::function<void(wxDialog&)>& beforeOk = {}) {
    StoreSetting("SMTPHost", server.HostText());
    StoreSetting("MyAddress", "Jane Doe <jane@example.org>");
    Start();
    std::string source = files / "REPORT.DOC";
    testing::WriteFile(source, testing::RandomBytes(70000, 9));
    Select(source);
    testing::WhenModal([&](wxDialog& dialog) {
      Click(dialog, kIdSplitOther);
      Click(dialog, kIdSplitBytes);
      Type(dialog, kIdSplitSize, "30000");
      Click(dialog, kIdSplitEmail);
      Type(dialog, kIdSplitMailTo, "bob@example.org");
      if (beforeOk) beforeOk(dialog);
      Click(dialog, wxID_OK);
    });
    Command(kIdSplit);
  }
};

TEST_F(SplitTest, FloppySizeFromSettingsPreviewsSevenParts) {
  StoreSetting("ChType", "2HD");
  WithSplitDialog(10000000, [](wxDialog& dialog) {
    EXPECT_TRUE(IsChecked(dialog, kIdSplit2HD));
    EXPECT_FALSE(IsShown(dialog, kIdSplitSize));
    EXPECT_FALSE(IsShown(dialog, kIdSplitUnits));
    EXPECT_FALSE(IsShown(dialog, kIdSplitKilobytes));
    EXPECT_EQ(TextOf(dialog, kIdSplitPreview), "File will be divided approximately into   7 parts");
    testing::SetCheck(dialog, kIdSplitFill, false);
    EXPECT_EQ(TextOf(dialog, kIdSplitPreview), "File will be divided into   7 parts");
  });
}

TEST_F(SplitTest, SmallFileProposesTwoPartsWhatever2DDSays) {
  StoreSetting("ChType", "2DD");
  StoreSetting("Format", "FIXED");
  WithSplitDialog(500000, [](wxDialog& dialog) {
    EXPECT_TRUE(IsChecked(dialog, kIdSplit2DD));
    EXPECT_EQ(TextOf(dialog, kIdSplitSize), "245");
    EXPECT_EQ(TextOf(dialog, kIdSplitPreview), "File will be divided into   2 parts");
    EXPECT_FALSE(IsChecked(dialog, kIdSplitFill));
  });
}

TEST_F(SplitTest, OtherSizeFromSettingsShowsItsField) {
  StoreSetting("ChType", "DO 500");
  StoreSetting("Recovery", "2");
  WithSplitDialog(600000, [this](wxDialog& dialog) {
    EXPECT_TRUE(IsChecked(dialog, kIdSplitOther));
    EXPECT_TRUE(IsShown(dialog, kIdSplitSize));
    EXPECT_TRUE(IsShown(dialog, kIdSplitUnits));
    EXPECT_EQ(TextOf(dialog, kIdSplitSize), "500");
    EXPECT_EQ(TextOf(dialog, kIdSplitRecovery), "2");
    EXPECT_TRUE(IsChecked(dialog, kIdSplitKilobytes));
    EXPECT_EQ(TextOf(dialog, kIdSplitDirectoryField), files.path());
  });
}

TEST_F(SplitTest, UnitsConvertTheFieldAndALetterIsRefused) {
  StoreSetting("ChType", "DO 1400");
  StoreSetting("Format", "FIXED");
  WithSplitDialog(10000000, [this](wxDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, kIdSplitSize), "1400");
    Click(dialog, kIdSplitBytes);
    EXPECT_EQ(TextOf(dialog, kIdSplitSize), "1433600");
    Click(dialog, kIdSplitKilobytes);
    EXPECT_EQ(TextOf(dialog, kIdSplitSize), "1400");
    std::string preview = TextOf(dialog, kIdSplitPreview);
    Type(dialog, kIdSplitSize, "14a");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              (testing::ShownMessage{"Digit expected", "Split", MessageKind::kOkWarning}));
    EXPECT_EQ(TextOf(dialog, kIdSplitPreview), preview);
    // The recipient field follows the e-mail box.
    EXPECT_FALSE(dialog.FindWindow(kIdSplitMailTo)->IsEnabled());
    Click(dialog, kIdSplitEmail);
    EXPECT_TRUE(dialog.FindWindow(kIdSplitMailTo)->IsEnabled());
  });
}

TEST_F(SplitTest, SplitThroughTheDialogCompletes) {
  Start();
  std::string source = files / "REPORT.DOC";
  testing::WriteFile(source, testing::RandomBytes(100000, 5));
  std::string out = files / "out";
  ASSERT_EQ(testing::Run("mkdir '" + out + "'"), 0);
  ProgressWindow* shown = nullptr;
  StoreSetting("Recovery", "1");
  SplitThroughDialog(source, 30000, out, [&](ProgressWindow& progress) {
    shown = &progress;
    EXPECT_EQ(progress.GetTitle(), "Processing Please Wait");
  });
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Complete");
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.R00", "REPORT.Z00", "REPORT.Z01", "REPORT.Z02",
                                      "REPORT.Z03", "REPORT.sha256"}));
  EXPECT_EQ(window->ui().progressWindow(), nullptr);
  EXPECT_FALSE(window->Busy());
  EXPECT_NE(shown, nullptr);
  // The selection and the layout stay for the next command.
  EXPECT_EQ(window->selection().selectedPath, source);
  // The next run shows its own state in the same window.
  std::string other = MakeFile("OTHER.DOC", testing::RandomBytes(40000, 6));
  std::string status;
  SplitThroughDialog(other, 30000, out, [&](ProgressWindow& progress) {
    EXPECT_EQ(&progress, shown);
    status = testing::TextOf(progress, kIdProgressStatus);
  });
  EXPECT_NE(status.find("OTHER.DOC on"), std::string::npos) << status;
  EXPECT_TRUE(Enabled(kIdSplit));
  // Another file of the same stem asks before it replaces these parts.
  messages.answers = {Answer::kNo};
  SplitThroughDialog(MakeFile("REPORT.TXT", testing::RandomBytes(40000, 7)), 30000, out);
  EXPECT_EQ(messages.shown.back(),
            (testing::ShownMessage{
                "Parts of another file (REPORT.DOC) are in this directory; replace them?", "Split",
                MessageKind::kYesNoDefaultNo}));
  EXPECT_EQ(testing::ReadFile(out + "/REPORT.Z03").size(), 100000u - 3 * (30000 - 86) + 86);
}

TEST_F(SplitTest, SplitWithEmailMailsEveryPartToARealServer) {
  testing::SmtpTestServer server;
  SplitByMail(server);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Mailed");
  EXPECT_EQ(server.Messages().size(), 4u);  // the manifest after the parts
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SplitTest, FailedMailingAsksToSendTheRestAndYesMailsThem) {
  testing::SmtpTestServer server("normal", {"--fail-message", "2"});
  messages.answers = {Answer::kYes};
  SplitByMail(server);
  EXPECT_EQ(messages.Texts().back(),
            "Part 2 of 3 and the parts after it were not mailed.\nSend the parts that were not "
            "mailed?");
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Mailed");
  EXPECT_EQ(server.Messages().size(), 4u);
}

// A server that takes the connection and then says nothing: while the
// mailer waits, the window handles its events, and Stop ends the wait.
TEST_F(SplitTest, StopWhileASilentServerIsWaitedForEndsAsAborted) {
  testing::SmtpTestServer server("silent");
  messages.answers = {Answer::kYes};
  SplitByMail(server, [&](wxDialog&) {
    // The progress window is up: the split waits for the greeting, to ask
    // the server for its size limit before any part is written.
    testing::WhenReady([&] { return window->ui().progressWindow() != nullptr; },
                       [&] { Click(*window->ui().progressWindow(), wxID_CANCEL); });
  });
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Aborted");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Do you really want stop?"});
  EXPECT_FALSE(testing::Exists(files / "REPORT.Z00"));
}

class RunningSplitTest : public SplitTest {
 protected:
  void SetUp() override {
    SplitTest::SetUp();
    Start();
    source = files / "BIG.BIN";
    ASSERT_EQ(testing::Run("truncate -s 64000000 '" + source + "'"), 0);
    out = files / "out";
    ASSERT_EQ(testing::Run("mkdir '" + out + "'"), 0);
  }
  static void PressStop(ProgressWindow& progress) { Click(progress, wxID_CANCEL); }

  std::string source;
  std::string out;
};

TEST_F(RunningSplitTest, StopWithYesEndsWithAborted) {
  messages.answers = {Answer::kYes};
  bool stopped = false;
  SplitThroughDialog(source, 8000000, out, [&](ProgressWindow& progress) {
    PressStop(progress);
    stopped = progress.progress()->stopRequested();
  });
  EXPECT_TRUE(stopped);
  EXPECT_EQ(messages.shown.back(),
            (testing::ShownMessage{"Do you really want stop?", "Fennimar", MessageKind::kYesNo}));
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Aborted");
  EXPECT_EQ(window->ui().progressWindow(), nullptr);
}

TEST_F(RunningSplitTest, StopWithNoGoesOnToComplete) {
  messages.answers = {Answer::kNo};
  SplitThroughDialog(source, 8000000, out, PressStop);
  EXPECT_EQ(messages.Texts().back(), "Do you really want stop?");
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Complete");
  EXPECT_EQ(testing::ListDir(out).size(), 10u);  // and the manifest
}

// The mouse clicks Stop through the X server: the click waits in the queue
// until the engine handles events, which it must do often enough.
TEST_F(RunningSplitTest, StopClickedDuringALongSplitEndsItWithinASecond) {
  if (!getenv("FENNIMAR_TEST_WM")) GTEST_SKIP() << "needs a window manager to place the window";
  std::string big = files / "HUGE.BIN";
  ASSERT_EQ(testing::Run("truncate -s 2000000000 '" + big + "'"), 0);
  messages.answers = {Answer::kYes};
  using Clock = std::chrono::steady_clock;
  Clock::time_point clicked;
  SplitThroughDialog(big, 30000000, out, [&](ProgressWindow& progress) {
    testing::WhenReady(
        [&] { return progress.IsShownOnScreen() && progress.progress()->percent() > 0; },
        [&] {
          wxUIActionSimulator mouse;
          mouse.MouseMove(progress.FindWindow(wxID_CANCEL)->GetScreenRect().GetPosition() +
                          wxPoint(8, 8));
          mouse.MouseClick();
          clicked = Clock::now();
        });
  });
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Aborted");
  EXPECT_LT(Clock::now() - clicked, std::chrono::seconds(1));
}

TEST_F(RunningSplitTest, CommandsAndDropsDuringTheRunAreRefused) {
  std::string other = files / "OTHER.DOC";
  testing::WriteFile(other, testing::Bytes(10, 1));
  bool busy = false;
  SplitThroughDialog(source, 8000000, out, [&](ProgressWindow&) {
    busy = window->Busy();
    for (int id : {kIdAbout, kIdDefaults, kIdSelectFile, kIdSplit, kIdMerge, kIdRunMinimized}) {
      wxCommandEvent command(wxEVT_MENU, id);
      window->GetEventHandler()->ProcessEvent(command);
    }
    window->DropFiles({other});
    EXPECT_EQ(testing::ModalDialog(), nullptr);
  });
  Settle();
  EXPECT_TRUE(busy);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Complete");
  EXPECT_EQ(window->selection().selectedPath, source);
  EXPECT_EQ(SettingsText().find("MINIMIZED=YES"), std::string::npos);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RunningSplitTest, ClosingDuringTheRunAsksAndClosesAfterTheEngine) {
  messages.answers = {Answer::kYes};
  bool stillThere = false;
  SplitThroughDialog(source, 8000000, out, [&](ProgressWindow&) {
    window->Close();
    stillThere = window && !window->IsBeingDeleted() && window->Busy();
  });
  EXPECT_TRUE(stillThere) << "the window stays while the engine runs";
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Do you really want stop?"});
  Settle();
  EXPECT_FALSE(window) << "the window closes once the engine has ended";
}

TEST_F(RunningSplitTest, ClosingDuringTheRunAnsweredNoKeepsTheWindow) {
  messages.answers = {Answer::kNo};
  SplitThroughDialog(source, 8000000, out, [&](ProgressWindow&) { window->Close(); });
  Settle();
  ASSERT_TRUE(window);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Complete");
}

}  // namespace
}  // namespace fennimar::app
