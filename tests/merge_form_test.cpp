#include "merge/merge_form.h"

#include <gtest/gtest.h>

#include "format/file_name.h"
#include "merge/disk_prompt_form.h"
#include "merge/target_name.h"
#include "settings/settings_keys.h"
#include "test_support.h"

namespace fennimar {
namespace {

class MergeFormTest : public ::testing::Test {
 protected:
  void Set(std::string_view key, const std::string& value) {
    settings.WriteSetting(settings::kSection, key, value);
  }
  std::string Proposal(const std::string& selected) {
    return MergeForm(settings, selected).field();
  }

  testing::TempDir dir;
  SettingsStore settings{dir / "FENNIMAR.INI"};
};

TEST_F(MergeFormTest, ProposesTheSelectedFilesDirectoryWhenMergeDirIsSame) {
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/data");
  EXPECT_EQ(Proposal("/a.b/c/REPORT.Z03"), "/a.b/c");
  // The search for "/" starts at the second character.
  EXPECT_EQ(Proposal("/REPORT.Z00"), "");
  EXPECT_EQ(Proposal("REPORT.Z00"), "");
  EXPECT_EQ(Proposal("/"), "");
  Set(settings::kMergeDir, "SAME");
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/data");
}

TEST_F(MergeFormTest, MergeDirWinsWhateverIsSelected) {
  Set(settings::kMergeDir, "/out");
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/out");
  Set(settings::kMergeDir, "/");
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/");
  // Read with room for a path as long as the system takes.
  Set(settings::kMergeDir, "/" + std::string(kMaxDirectoryLength + 20, 'm'));
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/" + std::string(kMaxDirectoryLength - 1, 'm'));
}

TEST_F(MergeFormTest, WorkDirDoesNotChangeTheProposal) {
  Set(settings::kWorkDir, "/work");
  EXPECT_EQ(Proposal("/data/REPORT.Z00"), "/data");
}

TEST_F(MergeFormTest, OkHandsBackAtMostAPathLengthUnchanged) {
  MergeForm form(settings, "/data/REPORT.Z00");
  form.SetField("/Mixed/Case dir");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(form.directory(), "/Mixed/Case dir");  // Linux paths keep their case
  form.SetField(std::string(kMaxDirectoryLength + 50, 'x'));
  form.Ok();
  EXPECT_EQ(form.directory(), std::string(kMaxDirectoryLength, 'x'));
  form.SetField("");
  form.Ok();
  EXPECT_EQ(form.directory(), "");
}

TEST(DiskPromptFormTest, StartsEmptyAndHandsBackAtMostAPathLength) {
  DiskPromptForm form("/media/disk/REPORT.Z02");
  EXPECT_EQ(form.missingPath(), "/media/disk/REPORT.Z02");
  EXPECT_EQ(form.field(), "");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(form.newPath(), "");
  form.SetField("/media/other/");
  form.Ok();
  EXPECT_EQ(form.newPath(), "/media/other/");
  form.SetField(std::string(kMaxDirectoryLength + 1, 'p'));
  form.Ok();
  EXPECT_EQ(form.newPath(), std::string(kMaxDirectoryLength, 'p'));
}

TEST(TargetNameTest, KeepsOnlyAPlainNameInsideTheMergeDirectory) {
  struct Case {
    std::string stored;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"REPORT.DOC", "REPORT.DOC"},
      {"C:\\DATA\\REPORT.DOC", "REPORT.DOC"},
      {"A:REPORT.DOC", "REPORT.DOC"},
      {"../../etc/passwd", "passwd"},
      {"/abs/name", "name"},
      {"dir\\..", std::nullopt},
      {"..", std::nullopt},
      {".", std::nullopt},
      {"", std::nullopt},
      {"trailing/", std::nullopt},
      {"tab\there", std::nullopt},
      {"...", "..."},
      {".hidden", ".hidden"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SafeFileName(c.stored), c.name) << c.stored;
  }
  EXPECT_EQ(TargetStem("ARCHIVE.TAR.GZ"), "ARCHIVE");
  EXPECT_EQ(TargetStem("NODOT"), "NODOT");
}

TEST(TargetNameTest, SecondDotIsCutInTheFileNameOnly) {
  EXPECT_EQ(StripSecondDot("/out/A.B.C"), "/out/A.B");
  EXPECT_EQ(StripSecondDot("/o.u.t/A.B.C"), "/o.u.t/A.B");
  EXPECT_EQ(StripSecondDot("/o.u.t/A.B"), std::nullopt);
  EXPECT_EQ(StripSecondDot("/out/NAME"), std::nullopt);
  EXPECT_EQ(StripSecondDot("A..B"), "A.");
}

}  // namespace
}  // namespace fennimar
