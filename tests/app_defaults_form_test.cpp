// The defaults dialog's rules without a display: what it shows from the
// settings, its validation messages, its directory questions and the keys
// it writes.
#include <gtest/gtest.h>

#include "app/defaults_form.h"
#include "platform/directories.h"
#include "platform/file_status.h"
#include "scripted_ui.h"
#include "settings/settings_store.h"
#include "test_support.h"

namespace fennimar::app {
namespace {

using testing::ScriptedUi;
using testing::TempDir;

class DefaultsFormTest : public ::testing::Test {
 protected:
  std::string Read(std::string_view key) {
    return settings.ReadSetting("FENNIMAR", key, "<missing>", 300);
  }
  void Store(std::string_view key, std::string_view value) {
    settings.WriteSetting("FENNIMAR", key, value);
  }
  DefaultsForm Opened() {
    DefaultsForm form(
        ui, settings, home.path(),
        [this](const std::string& user, const std::string& server, const std::string& password) {
          kept.push_back(user + " " + server + " " + password);
          if (keeperError.empty()) return Result<void>();
          return Result<void>(SystemError::WithReason("keep the password", keeperError));
        });
    form.Open();
    return form;
  }
  bool NothingWritten() { return !testing::Exists(settings.Path()); }

  TempDir home;
  TempDir config;
  SettingsStore settings{config / "FENNIMAR.INI"};
  ScriptedUi ui;
  std::vector<std::string> kept;  // the passwords handed to the keyring
  std::string keeperError;
};

TEST_F(DefaultsFormTest, WithoutSettingsFileOkWritesTheNineDefaults) {
  DefaultsForm form = Opened();
  EXPECT_EQ(form.chunkChoice(), ChunkChoice::k2HD);
  EXPECT_EQ(form.directoryChoice(), DirectoryChoice::kSameAsSource);
  EXPECT_FALSE(form.otherSizeVisible());
  EXPECT_FALSE(form.directoriesVisible());
  EXPECT_FALSE(form.continueOnChecksumError());
  EXPECT_TRUE(form.fillToMaximum());
  EXPECT_EQ(form.smtpHost(), "");
  EXPECT_EQ(form.myAddress(), "");
  // The hidden edits hold suggestions.
  EXPECT_EQ(form.otherSize(), "70");
  EXPECT_EQ(form.splitDirectory(), home / "splitdir");
  EXPECT_EQ(form.mergeDirectory(), home / "mergedir");

  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(testing::ReadText(settings.Path()),
            "[FENNIMAR]\nChType=2HD\nWorkDir=SAME\nMergeDir=SAME\nON_CHKSUM_ERR=ABORT\n"
            "Format=FREE\nManifest=YES\nRecovery=0\nSMTPHost=\nMyAddress=\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DefaultsFormTest, StoredOtherSizeIsShownAndKeptByOk) {
  Store("ChType", "DO 1400");
  DefaultsForm form = Opened();
  EXPECT_EQ(form.chunkChoice(), ChunkChoice::kOther);
  EXPECT_TRUE(form.otherSizeVisible());
  EXPECT_EQ(form.otherSize(), "1400");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("ChType"), "DO 1400");
}

TEST_F(DefaultsFormTest, OtherSizeValidation) {
  struct Case {
    const char* text;
    const char* message;  // null: accepted
  };
  const Case cases[] = {{"x5", "Digit expected"},
                        {"5x", "Digit expected"},
                        {"-5", "Digit expected"},
                        {"1 2", "Chunk size must greater then 1k"},
                        {"1", "Chunk size must greater then 1k"},
                        {"0", "Chunk size must greater then 1k"},
                        {"", "Chunk size must greater then 1k"},
                        {"   ", "Chunk size must greater then 1k"},
                        {"2", nullptr},
                        {" 720", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir fresh;
    SettingsStore store(fresh / "FENNIMAR.INI");
    ScriptedUi user;
    DefaultsForm form(user, store, home.path());
    form.Open();
    form.ChooseChunk(ChunkChoice::kOther);
    form.SetOtherSize(c.text);
    if (c.message) {
      EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
      ASSERT_EQ(user.messages.size(), 1u);
      EXPECT_EQ(user.messages[0],
                (testing::ShownMessage{c.message, "Default", MessageKind::kOkWarning}));
      EXPECT_FALSE(testing::Exists(store.Path()));
      // The dialog stays as the user left it.
      EXPECT_EQ(form.otherSize(), c.text);
    } else {
      EXPECT_EQ(form.Ok(), DialogResult::kOk);
      EXPECT_TRUE(user.messages.empty());
      EXPECT_EQ(store.ReadSetting("FENNIMAR", "ChType", "", 100), std::string("DO ") + c.text);
    }
  }
}

TEST_F(DefaultsFormTest, FloppyChoicesAndCheckBoxesAreWritten) {
  DefaultsForm form = Opened();
  form.ChooseChunk(ChunkChoice::k2DD);
  form.SetFillToMaximum(false);
  form.SetContinueOnChecksumError(true);
  form.SetManifest(false);
  form.SetRecoveryCount(3);
  form.SetSmtpHost("mail.example.org");
  form.SetMyAddress("Jane Doe <jane@example.org>");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("ChType"), "2DD");
  EXPECT_EQ(Read("Format"), "FIXED");
  EXPECT_EQ(Read("ON_CHKSUM_ERR"), "CONTINUE");
  EXPECT_EQ(Read("Manifest"), "NO");
  EXPECT_EQ(Read("Recovery"), "3");
  EXPECT_EQ(Read("SMTPHost"), "mail.example.org");
  EXPECT_EQ(Read("MyAddress"), "Jane Doe <jane@example.org>");
}

TEST_F(DefaultsFormTest, StoredValuesAreShown) {
  Store("WorkDir", "/srv/split");
  Store("MergeDir", "/srv/merge");
  Store("ON_CHKSUM_ERR", "CONTINUE");
  Store("Format", "FIXED");
  Store("SMTPHost", "smtp.example.org");
  Store("MyAddress", "me@example.org");
  Store("ChType", "2DD");
  Store("Manifest", "NO");
  Store("Recovery", "12");
  DefaultsForm form = Opened();
  EXPECT_EQ(form.chunkChoice(), ChunkChoice::k2DD);
  EXPECT_EQ(form.directoryChoice(), DirectoryChoice::kPredefined);
  EXPECT_TRUE(form.directoriesVisible());
  EXPECT_EQ(form.splitDirectory(), "/srv/split");
  EXPECT_EQ(form.mergeDirectory(), "/srv/merge");
  EXPECT_TRUE(form.continueOnChecksumError());
  EXPECT_FALSE(form.fillToMaximum());
  EXPECT_FALSE(form.manifest());
  EXPECT_EQ(form.recoveryCount(), 12);
  EXPECT_EQ(form.smtpHost(), "smtp.example.org");
  EXPECT_EQ(form.myAddress(), "me@example.org");
}

TEST_F(DefaultsFormTest, MailServerPortSecurityAndLoginRoundTrip) {
  Store("SMTPHost", "[::1]:2525");
  Store("SMTPSecurity", "starttls");
  Store("SMTPUser", "jane");
  DefaultsForm form = Opened();
  EXPECT_EQ(form.smtpHost(), "::1");
  EXPECT_EQ(form.smtpPort(), "2525");
  EXPECT_EQ(form.security(), SmtpSecurity::kStartTls);
  EXPECT_EQ(form.smtpUser(), "jane");
  // A bad port, and a password without its user, keep the dialog open.
  for (auto [port, user, message] : {std::tuple<const char*, const char*, const char*>{
                                         "0", "jane", "The port must be a number from 1 to 65535"},
                                     {"5x", "jane", "The port must be a number from 1 to 65535"},
                                     {"587", "", "A password needs the user name it belongs to"}}) {
    form.SetSmtpPort(port);
    form.SetSmtpUser(user);
    form.SetPassword("secret");
    ui.messages.clear();
    EXPECT_EQ(form.Ok(), DialogResult::kStayOpen) << port;
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{message});
  }
  keeperError = "the keyring is locked";
  form.SetSmtpUser("jane");
  EXPECT_EQ(form.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(ui.messages.back().text,
            "The password could not be kept in the keyring:\nthe keyring is locked");
  keeperError.clear();
  form.SetSmtpHost("mail.example.org");
  form.ChooseSecurity(SmtpSecurity::kTls);
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(kept.back(), "jane mail.example.org:587 secret");
  EXPECT_EQ(Read("SMTPHost"), "mail.example.org:587");
  EXPECT_EQ(Read("SMTPSecurity"), "TLS");
  // The password goes to the keyring only, never into the settings file.
  EXPECT_EQ(testing::ReadText(settings.Path()).find("secret"), std::string::npos);
}

// A misspelt security is no plain text: it shows no choice, and OK keeps it
// (the mailer refuses it) until the user chooses one.
TEST_F(DefaultsFormTest, UnknownSecurityShowsNoChoiceAndStaysUntilOneIsChosen) {
  Store("SMTPSecurity", "STARTLS");
  DefaultsForm form = Opened();
  EXPECT_EQ(form.security(), std::nullopt);
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("SMTPSecurity"), "STARTLS");
  form.ChooseSecurity(SmtpSecurity::kNone);
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("SMTPSecurity"), "NONE");
}

TEST_F(DefaultsFormTest, LongStoredDirectoriesSurviveOpenAndOk) {
  std::string split = home / "a_directory_name_longer_than_twenty_four_characters";
  std::string merge = home / "another_directory_name_longer_than_twenty_four";
  ASSERT_TRUE(MakeDirectory(split));
  ASSERT_TRUE(MakeDirectory(merge));
  Store("WorkDir", split);
  Store("MergeDir", merge);
  DefaultsForm form = Opened();
  EXPECT_EQ(form.splitDirectory(), split);
  EXPECT_EQ(form.mergeDirectory(), merge);
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("WorkDir"), split);
  EXPECT_EQ(Read("MergeDir"), merge);
}

TEST_F(DefaultsFormTest, ExistingPredefinedDirectoriesAreWrittenWithoutQuestion) {
  ASSERT_EQ(testing::Run("mkdir '" + home / "s" + "' '" + home / "m" + "'"), 0);
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home / "s");
  form.SetMergeDirectory(home / "m");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Read("WorkDir"), home / "s");
  EXPECT_EQ(Read("MergeDir"), home / "m");
  EXPECT_EQ(Read("MyAddress"), "");
}

TEST_F(DefaultsFormTest, EmptyPredefinedDirectoriesMeanTheRoot) {
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory("");
  form.SetMergeDirectory("");
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Read("WorkDir"), "/");
  EXPECT_EQ(Read("MergeDir"), "/");
}

TEST_F(DefaultsFormTest, MissingMergeDirectoryDeclinedWritesNothing) {
  ASSERT_EQ(testing::Run("mkdir '" + home / "s" + "'"), 0);
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home / "s");
  form.SetMergeDirectory(home / "missing");
  form.SetSmtpUser("jane");
  form.SetPassword("secret");
  ui.answers = {Answer::kNo};
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE(kept.empty());  // nor is the keyring changed
  EXPECT_EQ(ui.messages, (std::vector<testing::ShownMessage>{
                             {"Directory does not exist, create?\n" + home / "missing", "Default",
                              MessageKind::kYesNo},
                             {"The defaults were not saved: the directory for merge does not "
                              "exist\n" +
                                  home / "missing",
                              "Default", MessageKind::kOkWarning}}));
  EXPECT_TRUE(NothingWritten());
  EXPECT_FALSE(testing::Exists(home / "missing"));
}

TEST_F(DefaultsFormTest, CreatedSplitDirectoryIsWrittenBeforeMergeQuestionEndsTheSave) {
  DefaultsForm form = Opened();
  form.ChooseChunk(ChunkChoice::k2DD);
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home / "new_split");
  form.SetMergeDirectory(home / "new_merge");
  ui.answers = {Answer::kYes, Answer::kNo};
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_TRUE((KindOf(home / "new_split") == EntryKind::kDirectory));
  EXPECT_EQ(ui.MessageTexts().back(),
            "Only the chunk size and the directory for splitting were saved: the directory for "
            "merge does not exist\n" +
                home / "new_merge");
  EXPECT_EQ(testing::ReadText(settings.Path()),
            "[FENNIMAR]\nChType=2DD\nWorkDir=" + home / "new_split" + "\n");
}

TEST_F(DefaultsFormTest, CreatedMergeDirectoryKeepsEveryChoice) {
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home / "new_split");
  form.SetMergeDirectory(home / "new_merge");
  form.SetSmtpHost("mail.example.org");
  ui.answers = {Answer::kYes, Answer::kYes};
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(Read("WorkDir"), home / "new_split");
  EXPECT_EQ(Read("MergeDir"), home / "new_merge");
  EXPECT_EQ(Read("ChType"), "2HD");
  EXPECT_EQ(Read("Format"), "FREE");
  EXPECT_EQ(Read("SMTPHost"), "mail.example.org");
}

TEST_F(DefaultsFormTest, SplitDirectoryThatCannotBeCreatedIsStillStored) {
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home / "no/such/parent");
  form.SetMergeDirectory(home.path());
  ui.answers = {Answer::kYes};
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{
                                   "Directory does not exist, create?\n" + home / "no/such/parent",
                                   "Can not create directory\n" + home / "no/such/parent" +
                                       "\nNo such file or directory"}));
  EXPECT_EQ(ui.messages[1].caption, "Default");
  EXPECT_EQ(Read("WorkDir"), home / "no/such/parent");
  EXPECT_EQ(Read("MyAddress"), "");
}

TEST_F(DefaultsFormTest, MergeDirectoryThatCannotBeCreatedEndsTheSave) {
  DefaultsForm form = Opened();
  form.ChooseDirectory(DirectoryChoice::kPredefined);
  form.SetSplitDirectory(home.path());
  form.SetMergeDirectory(home / "no/such/parent");
  ui.answers = {Answer::kYes};
  EXPECT_EQ(form.Ok(), DialogResult::kOk);
  EXPECT_EQ(ui.MessageTexts()[1],
            "Can not create directory\n" + home / "no/such/parent" + "\nNo such file or directory");
  EXPECT_TRUE(NothingWritten());
}

TEST_F(DefaultsFormTest, EditsAreCutToTheirFieldLengths) {
  DefaultsForm form = Opened();
  form.SetOtherSize(std::string(30, '7'));
  form.SetSplitDirectory(std::string(kMaxDirectoryLength + 50, 'd'));
  form.SetSmtpHost(std::string(300, 'h'));
  EXPECT_EQ(form.otherSize().size(), kMaxSizeTextLength);
  EXPECT_EQ(form.splitDirectory().size(), kMaxDirectoryLength);
  EXPECT_EQ(form.smtpHost().size(), kDefaultsMailLength);
}

}  // namespace
}  // namespace fennimar::app
