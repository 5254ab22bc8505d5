// File selection and drops without a display: what the lines say, which
// commands are posted, and when the Split and Merge items are enabled.
#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "app/file_selection.h"
#include "scripted_ui.h"
#include "test_support.h"

namespace fennimar::app {
namespace {

using testing::ScriptedUi;
using testing::TempDir;
using testing::WriteFile;

class RecordingWindow : public SelectionWindow {
 public:
  void EnableFileCommands(bool enabled) override { fileCommandsEnabled = enabled; }
  void PostCommand(int id) override { posted.push_back(id); }
  void Repaint() override { ++repaints; }

  bool fileCommandsEnabled = false;
  std::vector<int> posted;
  int repaints = 0;
};

class FileSelectionTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, testing::Bytes bytes) {
    std::string path = dir / name;
    WriteFile(path, bytes);
    return path;
  }

  TempDir dir;
  ScriptedUi ui;
  RecordingWindow window;
  FileSelection selection{ui, window};
};

TEST_F(FileSelectionTest, ChosenFileShowsTargetAndSizeAndPostsToolbarWithFile) {
  std::string path = Make("REPORT.DOC", testing::Bytes(1234, 7));
  selection.Chosen(path);
  EXPECT_EQ(ui.Line(InfoLine::kTarget), " Selected File: " + path);
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size: 1234");
  EXPECT_EQ(ui.Line(InfoLine::kDirectory), " Working directory:");
  EXPECT_TRUE(window.fileCommandsEnabled);
  EXPECT_EQ(window.posted, std::vector<int>{kIdToolbarWithFile});
  EXPECT_EQ(selection.selection().selectedPath, path);
  EXPECT_EQ(selection.selection().fileSize, 1234);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileSelectionTest, ChosenFileThatDoesNotOpenKeepsOldSizeAndToolbar) {
  selection.Chosen(Make("A.DOC", testing::Bytes(10, 1)));
  window.posted.clear();
  std::string missing = dir / "MISSING.DOC";
  selection.Chosen(missing);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            (testing::ShownMessage{"Can not open file\n" + missing + "\nNo such file or directory",
                                   missing, MessageKind::kOkWarning}));
  EXPECT_EQ(selection.selection().selectedPath, missing);
  EXPECT_EQ(selection.selection().fileSize, 10);
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size: 10");
  EXPECT_EQ(ui.Line(InfoLine::kTarget), " Selected File: " + missing);
  EXPECT_TRUE(window.fileCommandsEnabled);
  EXPECT_TRUE(window.posted.empty());
}

TEST_F(FileSelectionTest, DirectoryIsNoFileToSelect) {
  selection.Chosen(dir.path());
  ASSERT_EQ(ui.MessageTexts(),
            std::vector<std::string>{"Can not open file\n" + dir.path() + "\nIs a directory"});
}

TEST_F(FileSelectionTest, CancelRestoresLabelsGreysItemsAndKeepsSelection) {
  std::string path = Make("A.DOC", testing::Bytes(10, 1));
  selection.Chosen(path);
  ui.SetInfoLine(InfoLine::kStatus, " Complete");
  window.posted.clear();
  selection.Cancelled();
  EXPECT_EQ(ui.lines, (std::array<std::string, 4>{
                          " Working directory:", " File size:", " Target File:", ""}));
  EXPECT_FALSE(window.fileCommandsEnabled);
  EXPECT_EQ(window.posted, std::vector<int>{kIdToolbarWithoutFile});
  EXPECT_EQ(selection.selection().selectedPath, path);
  EXPECT_EQ(selection.selection().fileSize, 10);
}

TEST_F(FileSelectionTest, LongPathIsKeptWhole) {
  std::string deep = dir.path();
  while (deep.size() < 200) {
    deep += "/a_rather_long_directory_name";
    ASSERT_EQ(testing::Run("mkdir -p '" + deep + "'"), 0);
  }
  std::string path = deep + "/DATA.BIN";
  WriteFile(path, testing::Bytes(5, 0));
  selection.Chosen(path);
  EXPECT_EQ(selection.selection().selectedPath, path);
  EXPECT_EQ(ui.Line(InfoLine::kTarget), " Selected File: " + path);
}

TEST_F(FileSelectionTest, FileOfTwoGibibytesShowsItsTrueSize) {
  std::string path = dir / "BIG.IMG";
  ASSERT_EQ(testing::Run("truncate -s 2147483650 '" + path + "'"), 0);
  selection.Chosen(path);
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size: 2147483650");
  EXPECT_EQ(selection.selection().fileSize, 2147483650);
}

TEST_F(FileSelectionTest, TypedNameWithoutExtensionGetsZip) {
  EXPECT_EQ(WithDefaultExtension("/home/me/backup"), "/home/me/backup.zip");
  EXPECT_EQ(WithDefaultExtension("/home/me.d/backup"), "/home/me.d/backup.zip");
  EXPECT_EQ(WithDefaultExtension("/home/me/backup.tar"), "/home/me/backup.tar");
  EXPECT_EQ(WithDefaultExtension("/home/me/REPORT.Z01"), "/home/me/REPORT.Z01");
}

testing::Bytes Text(std::string_view text) { return testing::Bytes(text.begin(), text.end()); }

// Which command a drop starts, and what it does to the size and target lines.
struct DropCase {
  const char* name;
  testing::Bytes bytes;
  int command;
};

TEST_F(FileSelectionTest, DropStartsMergeForPartsAndSplitForEverythingElse) {
  const DropCase cases[] = {
      {"DATA.Z02", {5, 2, 0, 0}, kIdMerge},
      {"DATA.Z00", {1, 0}, kIdMerge},
      {"DATA.Z02", {2, 2, 0, 0}, kIdSplit},  // index not below the count
      {"data.z02", {5, 2, 0, 0}, kIdSplit},  // lower-case z
      {"DATA.ZIP", {5, 2, 0, 0}, kIdSplit},
      {"DATA.Z2", {5, 2, 0, 0}, kIdSplit},
      {"DATA.Z0A", {5, 0, 0, 0}, kIdSplit},
      {"A.B.Z01", {5, 1, 0, 0}, kIdSplit},      // the text after the first dot is "B.Z01"
      {"A.Z00", {5}, kIdSplit},                 // one byte: no index
      {"DATA.Z03", {0xFF, 3, 0, 0}, kIdSplit},  // count -1 as a signed byte
      {"DATA.R01", {0xFF, 'F', 'N', 'M', 'R', 0x0D, 0x0A, 0x1A}, kIdMerge},
      {"DATA.R01", {0xFF, 'F', 'N', 'M', 'R', 0x0D, 0x0A}, kIdSplit},
      {"DATA.Z01", {0xFF, 'F', 'N', 'M', 'R', 0x0D, 0x0A, 0x1A}, kIdSplit},
      {"INBOX", Text("From me@localhost Thu Jan  1 00:00:00 1970\n\n"), kIdMerge},
      {"parts.eml", Text("Subject: parts\nMIME-Version: 1.0\n\nx\n"), kIdMerge},
      {"notes.eml", Text("Subject: no MIME\n\nx\n"), kIdSplit},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.name + std::string(" ") + std::to_string(c.bytes.size()));
    TempDir scratch;
    std::string path = scratch / c.name;
    WriteFile(path, c.bytes);
    ui.SetInfoLine(InfoLine::kSize, " File size: 77");
    ui.SetInfoLine(InfoLine::kTarget, " Target File: /merged/earlier");
    window.posted.clear();
    selection.Dropped({path});
    EXPECT_EQ(window.posted, (std::vector<int>{c.command, kIdToolbarWithFile}));
    EXPECT_EQ(ui.Line(InfoLine::kSize), c.command == kIdMerge
                                            ? " File size: 77"
                                            : " File size: " + std::to_string(c.bytes.size()));
    EXPECT_EQ(ui.Line(InfoLine::kTarget),
              c.command == kIdMerge ? " Target File: /merged/earlier" : " Selected File: " + path);
    EXPECT_EQ(selection.selection().selectedPath, path);
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileSelectionTest, PartInDottedDirectoryIsStillAPart) {
  ASSERT_EQ(testing::Run("mkdir '" + dir / "my.parts" + "'"), 0);
  std::string path = dir / "my.parts/DATA.Z01";
  WriteFile(path, testing::Bytes{3, 1, 0});
  selection.Dropped({path});
  EXPECT_EQ(window.posted, (std::vector<int>{kIdMerge, kIdToolbarWithFile}));
}

TEST_F(FileSelectionTest, DroppedMaildirFolderStartsTheMerge) {
  ASSERT_EQ(testing::Run("mkdir -p '" + dir / "Maildir/cur" + "'"), 0);
  selection.Dropped({dir / "Maildir"});
  EXPECT_EQ(window.posted, (std::vector<int>{kIdMerge, kIdToolbarWithFile}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileSelectionTest, DropOfSeveralFilesUsesTheFirst) {
  std::string first = Make("FIRST.DOC", testing::Bytes(3, 1));
  std::string second = Make("SECOND.Z00", testing::Bytes{2, 0, 0});
  selection.Dropped({first, second, dir / "THIRD"});
  EXPECT_EQ(selection.selection().selectedPath, first);
  EXPECT_EQ(window.posted, (std::vector<int>{kIdSplit, kIdToolbarWithFile}));
}

TEST_F(FileSelectionTest, DropOfUnreadableFilePostsNothingAndChangesNoLine) {
  std::string missing = dir / "GONE.Z00";
  ui.SetInfoLine(InfoLine::kStatus, " Complete");
  selection.Dropped({missing});
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Can not open file\n" + missing +
                                                        "\nNo such file or directory"});
  EXPECT_EQ(ui.messages[0].caption, missing);
  EXPECT_TRUE(window.posted.empty());
  EXPECT_TRUE(window.fileCommandsEnabled);
  EXPECT_EQ(ui.Status(), " Complete");
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size:");
  EXPECT_EQ(selection.selection().selectedPath, missing);
}

}  // namespace
}  // namespace fennimar::app
