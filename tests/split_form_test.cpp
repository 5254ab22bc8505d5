#include "split/split_form.h"

#include <gtest/gtest.h>

#include "platform/file_status.h"
#include "scripted_ui.h"
#include "settings/settings_store.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::ShownMessage;

class SplitFormTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedUi ui;
  SettingsStore settings{dir / "FENNIMAR.INI"};

  SplitForm Opened(std::int64_t length, const std::string& chType = "",
                   const std::string& path = "/data/REPORT.DOC") {
    if (!chType.empty()) settings.WriteSetting("FENNIMAR", "ChType", chType);
    SplitForm form(ui, settings, path, length);
    form.Open();
    return form;
  }
};

TEST_F(SplitFormTest, OpensFrom2HDWithHiddenSizeControlsAndPreview) {
  SplitForm form = Opened(10000000, "2HD");
  EXPECT_EQ(form.choice(), SizeChoice::k2HD);
  EXPECT_FALSE(form.sizeControlsVisible());
  EXPECT_EQ(form.sizeText(), "1400");
  EXPECT_EQ(form.chunkSize(), 1433600);  // the field rule ran after the floppy size
  EXPECT_EQ(form.previewText(), "File will be divided approximately into   7 parts");
  form.SetFillToCapacity(false);
  EXPECT_EQ(form.previewText(), "File will be divided into   7 parts");
  EXPECT_EQ(form.directory(), "/data");
  EXPECT_TRUE(form.sizeUnitIsKilobytes());
  EXPECT_TRUE(form.manifest());
  EXPECT_EQ(form.recoveryCount(), 0);
}

TEST_F(SplitFormTest, Fat32ChoiceTakesTheLargestPartForSourcesOfAnySize) {
  SplitForm form = Opened(std::int64_t{5} << 30, "DO 1000000");
  form.SetFillToCapacity(false);
  form.ChooseFat32();
  EXPECT_EQ(form.choice(), SizeChoice::kFat32);
  EXPECT_FALSE(form.sizeControlsVisible());
  EXPECT_EQ(form.chunkSize(), 2147483647);
  EXPECT_EQ(form.previewText(), "File will be divided into   3 parts");
}

TEST_F(SplitFormTest, ProposesTwoPartsWhenTheSizeIsAsLargeAsTheFile) {
  SplitForm form = Opened(500000, "2DD");
  EXPECT_EQ(form.choice(), SizeChoice::k2DD);
  EXPECT_EQ(form.sizeText(), "245");
  EXPECT_EQ(form.chunkSize(), 250880);
  EXPECT_EQ(form.previewText(), "File will be divided approximately into   2 parts");

  SplitForm missing = Opened(100000, "DO");  // no number stored
  EXPECT_EQ(missing.choice(), SizeChoice::kOther);
  EXPECT_EQ(missing.sizeText(), "49");
}

TEST_F(SplitFormTest, OtherSizeFromChTypeAndWorkDirReadWhole) {
  settings.WriteSetting("FENNIMAR", "WorkDir", "/a/directory/of/thirty/chars");
  settings.WriteSetting("FENNIMAR", "Format", "FIXED");
  settings.WriteSetting("FENNIMAR", "Recovery", "4");
  SplitForm form = Opened(600000, "DO 500");
  EXPECT_EQ(form.choice(), SizeChoice::kOther);
  EXPECT_EQ(form.sizeText(), "500");
  EXPECT_EQ(form.chunkSize(), 512000);
  EXPECT_EQ(form.directory(), "/a/directory/of/thirty/chars");
  EXPECT_FALSE(form.fillToCapacity());
  EXPECT_EQ(form.recoveryCount(), 4);
  EXPECT_EQ(form.previewText(), "File will be divided into   2 parts");
}

TEST_F(SplitFormTest, FormatIsTestedByItsFirstFourLetters) {
  settings.WriteSetting("FENNIMAR", "Format", "FREEDOM");
  EXPECT_TRUE(Opened(600000, "DO 500").fillToCapacity());
}

TEST_F(SplitFormTest, FieldRuleRefusesLettersAndKeepsSizeAndPreview) {
  SplitForm form = Opened(600000, "DO 500");
  std::string preview = form.previewText();
  form.SetSizeText("50a");
  EXPECT_EQ(ui.messages,
            (std::vector<ShownMessage>{{"Digit expected", "Split", MessageKind::kOkWarning}}));
  EXPECT_EQ(form.chunkSize(), 512000);
  EXPECT_EQ(form.previewText(), preview);
  form.SetSizeText("  ");  // no number: nothing changes, no message
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(form.chunkSize(), 512000);
}

TEST_F(SplitFormTest, UnitSwitching) {
  SplitForm form = Opened(10000000, "DO 1400");
  form.ChooseBytes();
  EXPECT_EQ(form.sizeText(), "1433600");
  EXPECT_EQ(form.chunkSize(), 1433600);
  form.ChooseKilobytes();
  EXPECT_EQ(form.sizeText(), "1400");
  form.ChooseBytes();
  form.SetSizeText("1000");
  std::string preview = form.previewText();
  form.ChooseKilobytes();
  EXPECT_EQ(form.sizeText(), "0");
  EXPECT_EQ(form.previewText(), preview);  // a size of 0 leaves the preview
}

TEST_F(SplitFormTest, FloppyChoicesAndOther) {
  SplitForm form = Opened(10000000, "DO 100");
  form.Choose2DD();
  EXPECT_EQ(form.chunkSize(), 730112);
  EXPECT_FALSE(form.sizeControlsVisible());
  form.ChooseOther();
  EXPECT_TRUE(form.sizeControlsVisible());
  EXPECT_EQ(form.chunkSize(), 102400);
}

TEST_F(SplitFormTest, OkChecksTheSize) {
  SplitForm form = Opened(600000, "DO 500");
  form.SetDirectory(dir.path());
  form.ChooseBytes();
  form.SetSizeText("100");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Chunk size must greater then 100 bytes\n"
                                              "The smallest part size is 1086 bytes.",
                                              "Split", MessageKind::kOkWarning}));
  form.SetSizeText("");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);  // an empty field is no size, not the last one
  form.SetSizeText("101");
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(form.request().chunkSize, 101);
  EXPECT_EQ(form.request().targetDirectory, dir.path());
  EXPECT_TRUE(form.request().mailTo.empty());
}

TEST_F(SplitFormTest, MailAddressTypedWithoutEmailIsNotHandedOver) {
  SplitForm form = Opened(600000, "DO 500");
  form.SetDirectory(dir.path());
  form.SetMailTo("someone@example.org");
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE(form.request().mailTo.empty());
}

TEST_F(SplitFormTest, MailServersLimitHidesTheSizeAndGoesOnlyWithEmail) {
  SplitForm form = Opened(600000, "DO 500");
  form.SetDirectory(dir.path());
  form.ChooseMailLimit();
  EXPECT_FALSE(form.sizeControlsVisible());
  EXPECT_EQ(form.previewText(), "File will be divided to fit the mail server's limit");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(
      ui.messages.back().text,
      "The mail server's limit sizes only parts that are mailed: please check Email files and "
      "fill email address");
  settings.WriteSetting("FENNIMAR", "MyAddress", "me@example.org");
  settings.WriteSetting("FENNIMAR", "SMTPHost", "127.0.0.1");
  form.SetEmail(true);
  form.SetMailTo("you@example.org");
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE(form.request().partsFitMail);
  form.ChooseOther();
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_FALSE(form.request().partsFitMail);
}

TEST_F(SplitFormTest, MissingDirectoryIsCreatedThenEmailChecksKeepTheDialogOpen) {
  SplitForm form = Opened(600000, "DO 500");
  std::string target = dir / "new";
  form.SetDirectory(target);
  form.SetEmail(true);
  ui.answers = {Answer::kYes};
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_TRUE((KindOf(target) == EntryKind::kDirectory));
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"Please fill email address", "Split", MessageKind::kOk}));

  form.SetMailTo("you@example.org");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(ui.messages.back().text, "Please fill return email address in setup/defaults dialog");
  settings.WriteSetting("FENNIMAR", "MyAddress", "me@example.org");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(ui.messages.back().text, "Please fill return SMTP host in setup/defaults dialog");
  settings.WriteSetting("FENNIMAR", "SMTPHost", "127.0.0.1");
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(form.request().mailTo, "you@example.org");
}

TEST_F(SplitFormTest, DirectoryQuestionAnsweredNoOrCreationFailingCancels) {
  SplitForm form = Opened(600000, "DO 500");
  form.SetDirectory(dir / "no");
  ui.answers = {Answer::kNo, Answer::kYes};
  EXPECT_EQ(form.Ok(), DialogResult::kCancel);
  EXPECT_FALSE(testing::Exists(dir / "no"));
  form.SetDirectory(dir / "missing/parent");
  EXPECT_EQ(form.Ok(), DialogResult::kCancel);
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"Can not create directory\n" + dir / "missing/parent" + "\n" +
                              testing::NoSuchPathText(),
                          "Split", MessageKind::kOk}));
}

TEST_F(SplitFormTest, EmptyDirectoryMeansTheRoot) {
  SplitForm form = Opened(600000, "DO 500", "REPORT.DOC");
  EXPECT_EQ(form.directory(), "");
  ASSERT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(form.request().targetDirectory, kRootDirectory);
}

}  // namespace
}  // namespace fennimar
