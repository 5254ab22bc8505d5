#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#ifdef FENNIMAR_WITH_MAIL
#include "mail/smtp/smtp_settings.h"
#endif
#include "platform/file_status.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"
#include "test_support.h"

namespace fennimar {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir / "cfg/fennimar/FENNIMAR.INI";
  SettingsStore store{path};
};

TEST_F(SettingsStoreTest, MissingFileReadsAsEveryKeyMissing) {
  EXPECT_EQ(store.ReadSetting("FENNIMAR", "WorkDir", "SAME", 25), "SAME");
  EXPECT_FALSE(testing::Exists(path));
}

TEST_F(SettingsStoreTest, FirstWriteCreatesDirectorySectionAndKey) {
  ASSERT_TRUE(store.WriteSetting("FENNIMAR", "MINIMIZED", "NO"));
  EXPECT_EQ(testing::ReadText(path), "[FENNIMAR]\nMINIMIZED=NO\n");
}

TEST_F(SettingsStoreTest, NamesMatchWithoutRegardToCaseValuesDoNot) {
  store.WriteSetting("FENNIMAR", "MINIMIZED", "yes");
  EXPECT_EQ(store.ReadSetting("fennimar", "minimized", "NO", 25), "yes");
  store.WriteSetting("fennimar", "Minimized", "YES");
  EXPECT_EQ(testing::ReadText(path), "[FENNIMAR]\nMinimized=YES\n");
}

TEST_F(SettingsStoreTest, ReadTrimsBlanksAndCutsToCapacity) {
  store.WriteSetting("FENNIMAR", "WorkDir", "  /a/directory/of/thirty/chars  ");
  EXPECT_EQ(store.ReadSetting("FENNIMAR", "WorkDir", "SAME", 25), "/a/directory/of/thirty/c");
  EXPECT_EQ(store.ReadSetting("FENNIMAR", "WorkDir", "SAME", 100), "/a/directory/of/thirty/chars");
}

TEST_F(SettingsStoreTest, WriteKeepsOtherKeysSectionsAndComments) {
  testing::TempDir other;
  std::string file = other / "FENNIMAR.INI";
  testing::WriteFile(file,
                     "; kept\n[Other]\nWorkDir=elsewhere\n\n[fennimar]\nChType=2DD\nFormat = FREE\n"
                     "\n[Tail]\nx=1\n");
  SettingsStore s(file);
  s.WriteSetting("FENNIMAR", "Format", "FIXED");
  s.WriteSetting("FENNIMAR", "WorkDir", "/parts");
  EXPECT_EQ(testing::ReadText(file),
            "; kept\n[Other]\nWorkDir=elsewhere\n\n[fennimar]\nChType=2DD\nFormat=FIXED\n"
            "WorkDir=/parts\n\n[Tail]\nx=1\n");
  EXPECT_EQ(s.ReadSetting("FENNIMAR", "WorkDir", "SAME", 100), "/parts");
  EXPECT_EQ(s.ReadSetting("Other", "WorkDir", "SAME", 100), "elsewhere");
}

TEST_F(SettingsStoreTest, FailedWriteIsIgnoredAndUnreadableFileReadsAsMissing) {
  // A directory where the file should be: it can be neither read nor replaced.
  testing::TempDir other;
  std::string file = other / "FENNIMAR.INI";
  testing::MakeDir(file);
  SettingsStore s(file);
  EXPECT_FALSE(s.WriteSetting("FENNIMAR", "Format", "FIXED"));
  EXPECT_EQ(s.ReadSetting("FENNIMAR", "Format", "FREE", 25), "FREE");
  EXPECT_EQ(testing::ListDir(other.path()), (std::vector<std::string>{"FENNIMAR.INI"}));
}

TEST_F(SettingsStoreTest, WriteKeepsLineEndsLinksModesAndFilesItCannotRead) {
  testing::TempDir other;
  // Without a [FENNIMAR] section the other sections stay; CR LF stays CR LF;
  // a link is followed and the file it leads to keeps its mode.
  std::string real = other / "real.ini";
  std::string link = other / "FENNIMAR.INI";
  testing::WriteFile(real, "[Other]\r\nx=1\r\n");
  ::chmod(real.c_str(), 0600);
  FENNIMAR_MAKE_LINK(real, link);
  SettingsStore s(link);
  EXPECT_TRUE(s.WriteSetting("FENNIMAR", "Format", "FIXED"));
  EXPECT_EQ(testing::ReadText(real), "[Other]\r\nx=1\r\n\r\n[FENNIMAR]\r\nFormat=FIXED\r\n");
  EXPECT_EQ(s.ReadSetting("FENNIMAR", "Format", "FREE", 25), "FIXED");
  EXPECT_EQ(KindOf(link, Links::kTakeAsIs), EntryKind::kSymbolicLink);
#ifndef _WIN32  // Windows keeps no permission bits
  EXPECT_EQ(StatusOf(real)->mode, 0600u);
#endif

  // A file that exists but cannot be read is never rewritten.
  std::string locked = other / "LOCKED.INI";
  if (testing::IsRoot()) {
    FENNIMAR_MAKE_FIFO(locked);  // root reads any mode; a FIFO it cannot
  } else {
    testing::WriteFile(locked, "[FENNIMAR]\nChType=2DD\n");
    ::chmod(locked.c_str(), 0);
  }
  SettingsStore l(locked);
  EXPECT_FALSE(l.WriteSetting("FENNIMAR", "Format", "FIXED"));
  EXPECT_EQ(KindOf(locked, Links::kTakeAsIs),
            testing::IsRoot() ? EntryKind::kOther : EntryKind::kRegular);
}

// Each stored word reads back as the value that writes it, and each reader's
// fallback and test of other texts keep their meaning.
TEST(SettingValuesTest, StoredWordsRoundTripAndOtherTextsFollowTheReader) {
  namespace s = settings;
  using Chunk = s::ChunkType;
  using K = s::ChunkKind;
  struct ChunkCase {
    std::string_view text;
    Chunk parsed;
    std::string_view formatted;
  };
  for (const ChunkCase& c : std::initializer_list<ChunkCase>{
           {"2DD", {K::k2DD, ""}, "2DD"},
           {"2HD", {K::k2HD, ""}, "2HD"},
           {"DO 1400", {K::kOther, "1400"}, "DO 1400"},
           {"DO  7 ", {K::kOther, " 7 "}, "DO  7 "},
           {s::kChunkFallbackForSplit, {K::kOther, ""}, "DO "},
           {s::kChunkFallbackForDefaults, {K::k2HD, ""}, "2HD"},
           {"2hd", {K::kUnknown, ""}, "DO "},
           {"2HDX", {K::kUnknown, "X"}, "DO X"},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(s::ParseChunkType(c.text), c.parsed);
    EXPECT_EQ(s::FormatChunkType(c.parsed), c.formatted);
  }

  EXPECT_EQ(s::ParseDirectory(s::kSameDirectory), std::nullopt);
  EXPECT_EQ(s::FormatDirectory(std::nullopt), "SAME");
  for (std::string_view dir : {"/parts", "same", "SAME/x", ""}) {
    EXPECT_EQ(s::FormatDirectory(s::ParseDirectory(dir)), dir);
  }

  EXPECT_TRUE(s::ParseMinimized("YES"));
  for (std::string_view text : {"NO", "yes", "YES ", ""}) EXPECT_FALSE(s::ParseMinimized(text));
  EXPECT_EQ(s::FormatMinimized(true), "YES");
  EXPECT_EQ(s::FormatMinimized(false), "NO");
  EXPECT_FALSE(s::ParseMinimized(s::kMinimizedFallbackAtStart));
  EXPECT_TRUE(s::ParseMinimized(s::kMinimizedFallbackForToggle));

  using A = s::ChecksumErrorAction;
  for (A other : {A::kAbort, A::kContinue}) {
    for (A action : {A::kAbort, A::kContinue}) {
      EXPECT_EQ(s::ParseChecksumErrorAction(s::FormatChecksumErrorAction(action), other), action);
    }
    // "abort", "NO": the merge keeps its file, the defaults form shows no check.
    EXPECT_EQ(s::ParseChecksumErrorAction("abort", other), other);
    EXPECT_EQ(s::ParseChecksumErrorAction("NO", other), other);
  }
  EXPECT_EQ(s::ParseChecksumErrorAction(s::kChecksumErrorFallback, A::kContinue), A::kAbort);

  using F = s::FillFormat;
  EXPECT_EQ(s::FormatFillFormat(F::kFree), "FREE");
  EXPECT_EQ(s::FormatFillFormat(F::kFixed), "FIXED");
  struct FormatCase {
    std::string_view text;
    F exact, byPrefix;
  };
  for (const FormatCase& c : std::initializer_list<FormatCase>{
           {"FREE", F::kFree, F::kFree},
           {"FIXED", F::kFixed, F::kFixed},
           {"FREEDOM", F::kFixed, F::kFree},
           {"free", F::kFixed, F::kFixed},
           {s::kFillFormatFallback, F::kFree, F::kFree},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(s::ParseFillFormat(c.text), c.exact);
    EXPECT_EQ(s::ParseFillFormat(c.text, /*byPrefix=*/true), c.byPrefix);
  }

  struct CountCase {
    std::string_view text;
    int count;
  };
  for (const CountCase& c : std::initializer_list<CountCase>{{"3", 3},
                                                             {"007", 7},
                                                             {"100", 100},
                                                             {s::kRecoveryFallback, 0},
                                                             {"101", 0},
                                                             {"-1", 0},
                                                             {"+2", 0},
                                                             {" 2", 0},
                                                             {"2x", 0},
                                                             {"", 0},
                                                             {"99999999999", 0}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(s::ParseRecoverySetting(c.text), c.count);
    EXPECT_EQ(s::ParseRecoverySetting(s::FormatRecoverySetting(c.count)), c.count);
  }
}

#ifdef FENNIMAR_WITH_MAIL
// A misspelt security must never mean plain text: it makes the mail
// settings unusable, with a reason that names the key, the value and the file.
TEST_F(SettingsStoreTest, SmtpSecurityIsOneOfItsWordsOrTheMailSettingsAreRefused) {
  struct Case {
    const char* stored;  // null: no key
    std::optional<SmtpSecurity> security;
  };
  for (const Case& c : {Case{nullptr, SmtpSecurity::kNone}, Case{"", SmtpSecurity::kNone},
                        Case{"none", SmtpSecurity::kNone},
                        Case{"StartTLS", SmtpSecurity::kStartTls}, Case{"tls", SmtpSecurity::kTls},
                        Case{"STARTLS", std::nullopt}, Case{"SSL", std::nullopt}}) {
    SCOPED_TRACE(c.stored ? c.stored : "(no key)");
    if (c.stored) store.WriteSetting(settings::kSection, settings::kSmtpSecurity, c.stored);
    SmtpSettingsRead read = ReadSmtpSettings(store);
    EXPECT_EQ(read.settings ? std::optional(read.settings->security) : std::nullopt, c.security);
    EXPECT_EQ(read.error, c.security ? ""
                                     : std::string("SMTPSecurity=") + c.stored + " in " + path +
                                           " is not one of NONE, STARTTLS, TLS");
  }
}

#endif

#ifdef _WIN32
TEST(SettingsStorePathTest, FollowsAppData) {
  _putenv_s("APPDATA", "C:\\Users\\someone\\AppData\\Roaming");
  EXPECT_EQ(SettingsStore::DefaultPath(),
            "C:\\Users\\someone\\AppData\\Roaming\\Fennimar\\FENNIMAR.INI");
}
#else
TEST(SettingsStorePathTest, FollowsXdgConfigHome) {
  setenv("XDG_CONFIG_HOME", "/tmp/cfg-home", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/cfg-home/fennimar/FENNIMAR.INI");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(SettingsStore::DefaultPath(), "/home/someone/.config/fennimar/FENNIMAR.INI");
}
#endif

}  // namespace
}  // namespace fennimar
