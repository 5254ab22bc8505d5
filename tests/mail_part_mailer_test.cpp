// SmtpPartMailer against a real SMTP server: what arrives, what the user
// sees, and a whole split with mailing.
#include <gtest/gtest.h>

#include <string>

#include "mail/smtp_part_mailer.h"
#include "mail_test_server.h"
#include "platform/fs.h"
#include "scripted_ui.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "split/split_engine.h"
#include "split/split_form.h"
#include "split_test_support.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;
using testing::ShownMessage;
using testing::SmtpTestServer;

constexpr ConnectionTimeouts kShort{5000, 5000, 1500};

class PartMailerTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedUi ui;
  SettingsStore settings{dir / "FENNIMAR.INI"};
  SmtpPartMailer mailer{settings, kDefaultApplicationTitle, kShort};

  void UseServer(const SmtpTestServer& server) {
    settings.WriteSetting(settings::kSection, settings::kSmtpHost, server.HostText());
    settings.WriteSetting(settings::kSection, settings::kMyAddress,
                          "Splitter <splitter@localhost>");
  }

  std::string Part(const std::string& name, std::size_t size) {
    testing::WriteFile(dir / name, testing::RandomBytes(size, static_cast<std::uint32_t>(size)));
    return dir / name;
  }
};

TEST(PartMailerSubjectTest, NumbersArePaddedToTwoPlaces) {
  EXPECT_EQ(SmtpPartMailer::Subject(0, 3, "REPORT.DOC"),
            "Part  1 of total  3 parts of file:REPORT.DOC ");
  EXPECT_EQ(SmtpPartMailer::Subject(9, 12, "a"), "Part 10 of total 12 parts of file:a ");
  EXPECT_EQ(SmtpPartMailer::Subject(0, 12, "a"), "Part  1 of total 12 parts of file:a ");
}

TEST_F(PartMailerTest, MailsThePartAsItsOneBase64Attachment) {
  SmtpTestServer server;
  UseServer(server);
  std::string part = Part("REPORT.Z01", 200000);
  ASSERT_EQ(mailer.MailPart(ui, part, "Receiver <receiver@localhost>", "REPORT.DOC", 1, 3), 0);
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(server.Messages().size(), 1u);
  auto python = testing::CheckWithPython(server.Messages()[0], dir.path());
  EXPECT_EQ(python["subject"], "Part  2 of total  3 parts of file:REPORT.DOC ");
  EXPECT_EQ(python["from"], "Splitter <splitter@localhost>");
  EXPECT_EQ(python["to"], "Receiver <receiver@localhost>");
  EXPECT_EQ(python["content-type"], "multipart/mixed");
  EXPECT_EQ(python["defects"], "0");
  EXPECT_EQ(python["parts"], "1");
  EXPECT_EQ(python["type-0"], "application/octet-stream");
  EXPECT_EQ(python["name-0"], "REPORT.Z01");
  EXPECT_EQ(testing::ReadFile(dir / "part-0"), testing::ReadFile(part));
  EXPECT_EQ(server.Envelope(0), "from splitter@localhost\nto receiver@localhost\n");
  EXPECT_EQ(server.SessionLog().back(), "QUIT");
}

TEST_F(PartMailerTest, ReadsItsSettingsOnEveryCall) {
  SmtpTestServer first;
  SmtpTestServer second;
  std::string part = Part("A.Z00", 10);
  UseServer(first);
  ASSERT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), 0);
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, second.HostText());
  settings.WriteSetting(settings::kSection, settings::kMyAddress, "other@localhost");
  ASSERT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), 0);
  EXPECT_EQ(first.Messages().size(), 1u);
  ASSERT_EQ(second.Messages().size(), 1u);
  EXPECT_EQ(second.Envelope(0), "from other@localhost\nto r@localhost\n");
}

TEST_F(PartMailerTest, FailedConnectionsShowTwoBoxesAndGiveTheirCode) {
  std::string part = Part("A.Z00", 10);
  // No SMTPHost at all: the placeholder host never resolves.
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), 1);
  EXPECT_EQ(ui.messages,
            (std::vector<ShownMessage>{{"Can not Connect", kPlaceholderSmtpHost, MessageKind::kOk},
                                       {"SMTP Host not correct or return address not correct",
                                        "Fennimar 3.13", MessageKind::kOk}}));
  ui.messages.clear();
  std::string refused = "127.0.0.1:" + std::to_string(testing::UnusedPort());
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, refused);
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), 2);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].caption, refused);
  ui.messages.clear();
  SmtpTestServer silent("silent");
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, silent.HostText());
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), 3);
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(testing::ReadFile(part), testing::RandomBytes(10, 10));
}

TEST_F(PartMailerTest, RefusalsAfterConnectingShowNoBox) {
  std::string part = Part("A.Z00", 10);
  for (auto [mode, code] : {std::pair<const char*, int>{"rcpt-refused", 4},
                            {"data-250", 5},
                            {"refuse-after-data", 7}}) {
    SmtpTestServer server(mode);
    UseServer(server);
    EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1), code) << mode;
    EXPECT_TRUE(ui.messages.empty()) << mode;
  }
}

class MailingSplitTest : public PartMailerTest {
 protected:
  std::string out = dir / "out";
  testing::ScriptedDrives drives;
  SplitEngine engine{ui, settings, drives, &mailer};

  MailingSplitTest() { MakeDirectory(out); }

  // Splits `size` bytes of REPORT.DOC into parts of `chunkSize` bytes,
  // mailing each to `mailTo`.
  std::string Split(std::size_t size, std::int64_t chunkSize, const std::string& mailTo) {
    std::string source = dir / "REPORT.DOC";
    testing::WriteFile(source, testing::RandomBytes(size, 42));
    ui.splitDialog = [=, this](SplitForm& form) {
      form.SetDirectory(out);
      form.ChooseOther();
      form.ChooseBytes();
      form.SetSizeText(std::to_string(chunkSize));
      form.SetEmail(true);
      form.SetMailTo(mailTo);
      return form.Ok() == DialogResult::kOk;
    };
    engine.Run({source, static_cast<std::int64_t>(size)});
    return source;
  }

  std::string PartPath(int k) { return out + "/REPORT.Z0" + std::to_string(k); }
};

TEST_F(MailingSplitTest, SplitOfFivePartsDeliversFiveMessages) {
  SmtpTestServer server;
  UseServer(server);
  Split(50000, 10086, "Receiver <receiver@localhost>");
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
  EXPECT_EQ(ui.Status(), " Mailed");
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 5u);
  for (int k = 0; k < 5; ++k) {
    testing::TempDir check;
    auto python = testing::CheckWithPython(messages[static_cast<std::size_t>(k)], check.path());
    EXPECT_EQ(python["subject"],
              "Part  " + std::to_string(k + 1) + " of total  5 parts of file:REPORT.DOC ");
    EXPECT_EQ(python["parts"], "1");
    EXPECT_EQ(python["name-0"], "REPORT.Z0" + std::to_string(k));
    EXPECT_EQ(testing::ReadFile(check / "part-0"), testing::ReadFile(PartPath(k)));
  }
  // Every part came over a conversation of its own.
  int greetings = 0;
  for (const std::string& line : server.SessionLog()) greetings += line.rfind("HELO ", 0) == 0;
  EXPECT_EQ(greetings, 5);
}

TEST_F(MailingSplitTest, RefusedRecipientStopsTheSplitWithoutABox) {
  SmtpTestServer server("rcpt-refused");
  UseServer(server);
  Split(50000, 10086, "receiver@localhost");
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
  EXPECT_EQ(ui.Status(), " Mail failed");
  EXPECT_EQ(testing::ListDir(out), std::vector<std::string>{"REPORT.Z00"});
}

TEST_F(MailingSplitTest, RefusedConnectionShowsBothBoxesAndMailFailed) {
  settings.WriteSetting(settings::kSection, settings::kSmtpHost,
                        "127.0.0.1:" + std::to_string(testing::UnusedPort()));
  settings.WriteSetting(settings::kSection, settings::kMyAddress, "me@localhost");
  Split(50000, 10086, "receiver@localhost");
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{"Can not Connect",
                                      "SMTP Host not correct or return address not correct"}));
  EXPECT_EQ(ui.Status(), " Mail failed");
  EXPECT_EQ(testing::ListDir(out), std::vector<std::string>{"REPORT.Z00"});
}

TEST(CliMailTest, SplitWithMailToMailsEveryPart) {
  SmtpTestServer server;
  testing::TempDir work;
  SettingsStore cliSettings{work / "cfg/fennimar/FENNIMAR.INI"};
  cliSettings.WriteSetting(settings::kSection, settings::kSmtpHost, server.HostText());
  cliSettings.WriteSetting(settings::kSection, settings::kMyAddress, "cli@localhost");
  testing::WriteFile(work / "DATA.BIN", testing::RandomBytes(30000, 4));
  std::string cli = std::string(FENNIMAR_BINARY_DIR) + "/src/cli/fennimar-cli";
  std::string command = "cd " + work.path() + " && XDG_CONFIG_HOME=" + work.path() + "/cfg " + cli +
                        " split DATA.BIN -s 12000 -d parts -y --mail-to you@localhost" +
                        " > out.txt 2> err.txt < /dev/null";
  ASSERT_EQ(testing::Run(command), 0) << testing::ReadText(work / "err.txt");
  std::string out = testing::ReadText(work / "out.txt");
  EXPECT_NE(out.find(" Mailed"), std::string::npos) << out;
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 3u);
  testing::TempDir check;
  auto python = testing::CheckWithPython(messages[2], check.path());
  EXPECT_EQ(python["subject"], "Part  3 of total  3 parts of file:DATA.BIN ");
  EXPECT_EQ(testing::ReadFile(check / "part-0"), testing::ReadFile(work / "parts/DATA.Z02"));
}

}  // namespace
}  // namespace fennimar
