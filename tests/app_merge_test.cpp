// The merge through the real windows under Xvfb: the merge dialog's
// proposal, a merge that ends with " Merge Complete", a merge of parts that
// came by mail, and the disk prompt for a part that is somewhere else.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/merge_dialog.h"
#include "app_window_test.h"
#include "mail_test_server.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {
namespace {

using testing::Click;
using testing::TextOf;
using testing::Type;

class MergeTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Start();
    original = testing::RandomBytes(70000, 11);
    source = files / "REPORT.DOC";
    testing::WriteFile(source, original);
    parts = files / "parts";
    ASSERT_TRUE(MakeDirectory(parts));
    SplitThroughDialog(source, 30000, parts);
    ASSERT_EQ(testing::ListDir(parts).size(), 4u);  // and the manifest
    EXPECT_TRUE(RemoveFile(source).ok());
  }

  std::string source;
  std::string parts;
  testing::Bytes original;
};

TEST_F(MergeTest, MergeThroughTheDialogCompletes) {
  Select(parts + "/REPORT.Z01");
  std::string out = files / "joined";
  ASSERT_TRUE(MakeDirectory(out));
  testing::WhenModal([&](wxDialog& dialog) {
    EXPECT_EQ(dialog.GetTitle(), "Merge file");
    EXPECT_EQ(TextOf(dialog, kIdMergeDirectoryField), parts);
    EXPECT_TRUE(testing::IsBeside(dialog, kIdMergeDirectoryField, kIdMergeBrowse));
    Type(dialog, kIdMergeDirectoryField, out);
    Click(dialog, wxID_OK);
  });
  Command(kIdMerge);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Merge Complete");
  EXPECT_EQ(testing::ReadFile(out + "/REPORT.DOC"), original);
  EXPECT_EQ(window->ui().progressWindow(), nullptr);
}

TEST_F(MergeTest, MailedPartsMergeFromTheMessageWithTheDialogProposingTheDownloadDirectory) {
  std::string mail = files / "mail";
  std::string downloads = files / "downloads";
  ASSERT_TRUE(MakeDirectory(mail));
  ASSERT_TRUE(MakeDirectory(downloads));
  ::setenv("XDG_DOWNLOAD_DIR", downloads.c_str(), 1);
  std::vector<std::string> arguments{"write", "default", mail + "/parts.eml"};
  for (const char* name : {"REPORT.Z00", "REPORT.Z01", "REPORT.Z02"}) {
    arguments.push_back(std::string(name) + "=" + parts + "/" + name);
  }
  testing::RunPythonScript("mail_received.py", arguments);
  Select(mail + "/parts.eml");
  testing::WhenModal([&](wxDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, kIdMergeDirectoryField), downloads);
    Click(dialog, wxID_OK);
  });
  Command(kIdMerge);
  ::unsetenv("XDG_DOWNLOAD_DIR");
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Merge Complete");
  EXPECT_EQ(testing::ReadFile(downloads + "/REPORT.DOC"), original);
  EXPECT_FALSE((KindOf(mail + "/REPORT.DOC") != EntryKind::kNone));
}

TEST_F(MergeTest, DiskPromptFindsAMovedPartInTheNewPath) {
  std::string elsewhere = files / "elsewhere";
  ASSERT_TRUE(MakeDirectory(elsewhere));
  ASSERT_EQ(std::rename((parts + "/REPORT.Z01").c_str(), (elsewhere + "/REPORT.Z01").c_str()), 0);
  ASSERT_EQ(std::rename((parts + "/REPORT.Z02").c_str(), (elsewhere + "/REPORT.Z02").c_str()), 0);
  Select(parts + "/REPORT.Z00");
  std::string prompted;
  std::string progressShown;
  std::string progressState;
  testing::WhenModal([&](wxDialog& merge) {
    testing::WhenModal([&](wxDialog& prompt) {
      prompted = prompt.GetTitle().utf8_string() + "|" + TextOf(prompt, kIdDiskPromptPath);
      EXPECT_TRUE(testing::IsBeside(prompt, kIdDiskPromptNewPath, kIdDiskPromptBrowse));
      // The progress window shows the run's state while the prompt waits.
      if (ProgressWindow* progress = window->ui().progressWindow()) {
        progressShown =
            TextOf(*progress, kIdProgressStatus) + "|" + TextOf(*progress, kIdProgressPercent);
        progressState = progress->progress()->statusText() + "|" +
                        std::to_string(progress->progress()->percent());
      }
      Type(prompt, kIdDiskPromptNewPath, elsewhere);
      Click(prompt, wxID_OK);
    });
    Click(merge, wxID_OK);
  });
  Command(kIdMerge);
  EXPECT_EQ(prompted, "Merge file |" + parts + "/REPORT.Z01");
  EXPECT_EQ(progressShown, progressState);
  EXPECT_NE(progressState.find("Merging 3 files"), std::string::npos) << progressState;
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Merge Complete");
  EXPECT_EQ(testing::ReadFile(parts + "/REPORT.DOC"), original);
}

TEST_F(MergeTest, CancelledDiskPromptEndsTheMergeWithoutTarget) {
  EXPECT_TRUE(RemoveFile(parts + "/REPORT.Z02").ok());
  Select(parts + "/REPORT.Z00");
  testing::WhenModal([&](wxDialog& merge) {
    testing::WhenModal([](wxDialog& prompt) { Click(prompt, wxID_CANCEL); });
    Click(merge, wxID_OK);
  });
  Command(kIdMerge);
  EXPECT_EQ(Line(fennimar::InfoLine::kStatus), " Merge Aborted");
  EXPECT_FALSE((KindOf(parts + "/REPORT.DOC") != EntryKind::kNone));
}

}  // namespace
}  // namespace fennimar::app
