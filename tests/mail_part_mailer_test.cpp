// SmtpPartMailer against a real SMTP server: what arrives, what the user
// sees, and a whole split with mailing.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <tuple>

#include "mail/smtp/smtp_part_mailer.h"
#include "mail_test_server.h"
#include "platform/directories.h"
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

constexpr SmtpTimeouts kShort{5000, 5000, 5000, 5000, 5000, 1500};
const auto kGoOn = [] { return true; };

class PartMailerTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedUi ui;
  SettingsStore settings{dir / "FENNIMAR.INI"};
  std::vector<std::string> passwordsAsked;
  SmtpPartMailer mailer{
      settings, kDefaultApplicationTitle,
      [this](const std::string& user, const std::string& server, const KeepWaiting&) {
        passwordsAsked.push_back(user + " " + server);
        return PasswordAnswer{"pass word", {}};
      },
      kShort};

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
  EXPECT_EQ(SmtpPartMailer::Subject({"", "a", "A.R00", 0, 0, 2, MailedKind::kRecovery}),
            "Recovery part  1 of total  2 of file:a ");
}

TEST_F(PartMailerTest, MailsThePartAsItsOneBase64Attachment) {
  SmtpTestServer server;
  UseServer(server);
  std::string part = Part("REPORT.Z01", 200000);
  ASSERT_EQ(mailer.MailPart(ui, part, "Receiver <receiver@localhost>", "REPORT.DOC", 1, 3, kGoOn),
            MailOutcome::kMailed);
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
  ASSERT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1, kGoOn), MailOutcome::kMailed);
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, second.HostText());
  settings.WriteSetting(settings::kSection, settings::kMyAddress, "other@localhost");
  ASSERT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1, kGoOn), MailOutcome::kMailed);
  EXPECT_EQ(first.Messages().size(), 1u);
  ASSERT_EQ(second.Messages().size(), 1u);
  EXPECT_EQ(second.Envelope(0), "from other@localhost\nto r@localhost\n");
  // A security misspelt since the last part sends nothing, not plain text.
  settings.WriteSetting(settings::kSection, settings::kSmtpSecurity, "STARTLS");
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1, kGoOn), MailOutcome::kFailed);
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{
                                   "Part 1 of 1 (A.Z00) was not mailed:\nSMTPSecurity=STARTLS in " +
                                   settings.Path() + " is not one of NONE, STARTTLS, TLS"});
  EXPECT_EQ(second.SessionLog().size(), 5u);
}

TEST_F(PartMailerTest, FailedConnectionsShowTwoBoxesWithTheReason) {
  std::string part = Part("A.Z00", 10);
  int port = testing::UnusedPort();
  std::string refused = "127.0.0.1:" + std::to_string(port);
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, refused);
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1, kGoOn), MailOutcome::kFailed);
  EXPECT_EQ(ui.messages,
            (std::vector<ShownMessage>{
                {"Can not Connect", refused, MessageKind::kOk},
                {"SMTP Host not correct or return address not correct\nconnect to 127.0.0.1 "
                 "port " +
                     std::to_string(port) + ": " + testing::ConnectionRefusedText(),
                 "Fennimar 3.13", MessageKind::kOk}}));
  ui.messages.clear();
  SmtpTestServer silent("silent");
  settings.WriteSetting(settings::kSection, settings::kSmtpHost, silent.HostText());
  EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 0, 1, kGoOn), MailOutcome::kFailed);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text.rfind("SMTP Host not correct or return address not correct\n"
                                      "no answer to the connection",
                                      0),
            0u);
  EXPECT_EQ(testing::ReadFile(part), testing::RandomBytes(10, 10));
}

TEST_F(PartMailerTest, RefusalsNameThePartAndGiveTheServersReply) {
  std::string part = Part("A.Z00", 10);
  testing::TestCertificates certificates;
  std::vector<std::string> startTls = certificates.Options("server");
  startTls.push_back("--starttls");
  for (auto [mode, options, reply] :
       {std::tuple<const char*, std::vector<std::string>, const char*>{
            "rcpt-refused", {}, "550 No such user here"},
        {"refuse-after-data", {}, "554 Transaction failed"},
        {"normal", startTls, "530 Must issue a STARTTLS command first"}}) {
    SmtpTestServer server(mode, options);
    UseServer(server);
    ui.messages.clear();
    EXPECT_EQ(mailer.MailPart(ui, part, "r@localhost", "A", 1, 3, kGoOn), MailOutcome::kFailed);
    EXPECT_EQ(
        ui.messages,
        (std::vector<ShownMessage>{{"Part 2 of 3 (A.Z00) was not mailed:\n" + std::string(reply),
                                    "Fennimar 3.13", MessageKind::kOk}}));
  }
}

TEST_F(PartMailerTest, PartAboveTheServersLimitIsRefusedBeforeMailWithTheSizeThatFits) {
  SmtpTestServer server("normal", {"--size-limit", "20000"});
  UseServer(server);
  EXPECT_EQ(mailer.MailPart(ui, Part("A.Z00", 20000), "r@localhost", "A", 0, 3, kGoOn),
            MailOutcome::kFailed);
  ASSERT_EQ(ui.MessageTexts().size(), 1u);
  const std::string text = ui.MessageTexts()[0];
  const std::string fits = "\nThe largest part size that fits is ";
  EXPECT_EQ(text.rfind("Part 1 of 3 (A.Z00) was not mailed:\nthe message of ", 0), 0u) << text;
  EXPECT_NE(text.find(" bytes is larger than the server's limit of 20000 bytes; nothing of it "
                      "was sent" +
                      fits),
            std::string::npos)
      << text;
  for (const std::string& line : server.SessionLog()) EXPECT_NE(line.rfind("MAIL", 0), 0u) << line;
  // The size named goes through the server; one byte more does not.
  std::size_t size = std::stoul(text.substr(text.find(fits) + fits.size()));
  EXPECT_EQ(mailer.MailPart(ui, Part("A.Z00", size), "r@localhost", "A", 0, 3, kGoOn),
            MailOutcome::kMailed);
  EXPECT_EQ(mailer.MailPart(ui, Part("A.Z00", size + 1), "r@localhost", "A", 0, 3, kGoOn),
            MailOutcome::kFailed);
  EXPECT_EQ(server.Messages().size(), 1u);
}

TEST_F(PartMailerTest, NoPasswordMeansNoConnection) {
  SmtpTestServer server;
  UseServer(server);
  settings.WriteSetting(settings::kSection, settings::kSmtpUser, "me");
  SmtpPartMailer without(settings, kDefaultApplicationTitle,
                         [](const std::string&, const std::string&, const KeepWaiting&) {
                           return PasswordAnswer{std::nullopt, "none stored"};
                         });
  EXPECT_EQ(without.MailPart(ui, Part("A.Z00", 10), "r@localhost", "A", 0, 1, kGoOn),
            MailOutcome::kFailed);
  ASSERT_EQ(ui.MessageTexts().size(), 1u);
  EXPECT_EQ(ui.MessageTexts()[0], "Part 1 of 1 (A.Z00) was not mailed:\nno password for me at " +
                                      server.HostText() + ": none stored");
  EXPECT_TRUE(server.SessionLog().empty());
}

TEST_F(PartMailerTest, ServerThatJudgesTheMessageFor25SecondsHasDeliveredIt) {
  SmtpTestServer server("slow-after-data");
  UseServer(server);
  SmtpPartMailer patient(settings);  // the standard's time-outs
  EXPECT_EQ(patient.MailPart(ui, Part("A.Z00", 100000), "r@localhost", "A", 0, 1, kGoOn),
            MailOutcome::kMailed);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(server.Messages().size(), 1u);
}

class MailingSplitTest : public PartMailerTest {
 protected:
  std::string out = dir / "out";
  testing::ScriptedDrives drives;
  SplitEngine engine{ui, settings, drives, &mailer};

  MailingSplitTest() { EXPECT_TRUE(MakeDirectory(out).ok()); }

  // Splits `size` bytes of REPORT.DOC into parts of `chunkSize` bytes and
  // `recovery` recovery files, mailing each to `mailTo`.
  std::string Split(std::size_t size, std::int64_t chunkSize, const std::string& mailTo,
                    int recovery = 0) {
    std::string source = dir / "REPORT.DOC";
    testing::WriteFile(source, testing::RandomBytes(size, 42));
    ui.splitDialog = [=, this](SplitForm& form) {
      form.SetDirectory(out);
      form.ChooseOther();
      form.ChooseBytes();
      form.SetSizeText(std::to_string(chunkSize));
      form.SetEmail(true);
      form.SetMailTo(mailTo);
      form.SetRecoveryCount(recovery);
      return form.Ok() == DialogResult::kOk;
    };
    engine.Run({source, static_cast<std::int64_t>(size)});
    return source;
  }

  std::string PartPath(int k) { return out + "/REPORT.Z0" + std::to_string(k); }
};

TEST_F(MailingSplitTest, SplitOfFivePartsDeliversFiveMessagesOverStartTlsWithLogin) {
  testing::TestCertificates certificates;
  std::vector<std::string> options = certificates.Options("server");
  options.insert(options.end(), {"--starttls", "--auth", "user:pass word"});
  SmtpTestServer server("normal", options);
  UseServer(server);
  settings.WriteSetting(settings::kSection, settings::kSmtpSecurity, "starttls");
  settings.WriteSetting(settings::kSection, settings::kSmtpUser, "user");
  Split(50000, 10086, "Receiver <receiver@localhost>, other@localhost");
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
  EXPECT_EQ(ui.Status(), " Mailed");
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 6u);
  for (int k = 0; k < 6; ++k) {
    testing::TempDir check;
    auto python = testing::CheckWithPython(messages[static_cast<std::size_t>(k)], check.path());
    // The manifest follows the parts.
    std::string name = k < 5 ? "REPORT.Z0" + std::to_string(k) : "REPORT.sha256";
    EXPECT_EQ(python["subject"],
              k < 5 ? "Part  " + std::to_string(k + 1) + " of total  5 parts of file:REPORT.DOC "
                    : "Manifest of file:REPORT.DOC ");
    EXPECT_EQ(python["parts"], "1");
    EXPECT_EQ(python["name-0"], name);
    EXPECT_EQ(testing::ReadFile(check / "part-0"), testing::ReadFile(out + "/" + name));
  }
  EXPECT_EQ(server.Envelope(4),
            "from splitter@localhost\nto receiver@localhost\nto other@localhost\n");
  // Every part came over a conversation of its own, and logged in.
  int logins = 0;
  for (const std::string& line : server.SessionLog()) logins += line == "AUTH PLAIN user ok";
  EXPECT_EQ(logins, 6);
  EXPECT_EQ(passwordsAsked.size(), 6u);
  EXPECT_EQ(passwordsAsked[0], "user " + server.HostText());
}

TEST_F(MailingSplitTest, RefusedRecipientStopsTheSplitWithItsReply) {
  SmtpTestServer server("rcpt-refused");
  UseServer(server);
  Split(50000, 10086, "receiver@localhost");
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Part 1 of 5 (REPORT.Z00) was not "
                                                        "mailed:\n550 No such user here"});
  EXPECT_EQ(ui.Status(), " Mail failed");
  EXPECT_EQ(testing::ListDir(out), std::vector<std::string>{"REPORT.Z00"});
}

TEST_F(MailingSplitTest, MisspeltSecurityIsToldBeforeAnyPartIsWritten) {
  SmtpTestServer server;
  UseServer(server);
  settings.WriteSetting(settings::kSection, settings::kSmtpSecurity, "STARTLS");
  Split(50000, 10086, "receiver@localhost");
  EXPECT_EQ(ui.MessageTexts(),
            std::vector<std::string>{"SMTPSecurity=STARTLS in " + settings.Path() +
                                     " is not one of NONE, STARTTLS, TLS\nNothing was split or "
                                     "mailed."});
  EXPECT_TRUE(testing::ListDir(out).empty());
  EXPECT_TRUE(server.SessionLog().empty());
}

TEST_F(MailingSplitTest, RefusedConnectionShowsBothBoxesAndMailFailed) {
  settings.WriteSetting(settings::kSection, settings::kSmtpHost,
                        "127.0.0.1:" + std::to_string(testing::UnusedPort()));
  settings.WriteSetting(settings::kSection, settings::kMyAddress, "me@localhost");
  Split(50000, 10086, "receiver@localhost");
  ASSERT_EQ(ui.MessageTexts().size(), 2u);
  EXPECT_EQ(ui.MessageTexts()[0], "Can not Connect");
  EXPECT_EQ(ui.Status(), " Mail failed");
  // The server is asked for its size limit before any part is written.
  EXPECT_TRUE(testing::ListDir(out).empty());
}

TEST_F(MailingSplitTest, FailureAtAPartOffersToSendTheRestAndYesMailsOnlyThose) {
  SmtpTestServer server("normal", {"--fail-message", "3"});
  UseServer(server);
  engine.OfferMailResume(true);
  ui.answers = {Answer::kYes};
  Split(50000, 10086, "receiver@localhost");
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{
                "Part 3 of 5 (REPORT.Z02) was not mailed:\n451 Requested action aborted: local "
                "error in processing",
                "Part 3 of 5 and the parts after it were not mailed.\nSend the parts that were not "
                "mailed?"}));
  EXPECT_EQ(ui.Status(), " Mailed");
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 6u);
  for (int k = 0; k < 5; ++k) {
    testing::TempDir check;
    auto python = testing::CheckWithPython(messages[static_cast<std::size_t>(k)], check.path());
    EXPECT_EQ(python["name-0"], "REPORT.Z0" + std::to_string(k));
    EXPECT_EQ(testing::ReadFile(check / "part-0"), testing::ReadFile(PartPath(k)));
  }
}

// The parts have all gone when a file after them is refused: the split
// says which files are left to be mailed by hand, and never " Mailed".
TEST_F(MailingSplitTest, FailureAtTheManifestNamesTheFilesLeftToMailByHand) {
  SmtpTestServer server("normal", {"--fail-message", "6"});
  UseServer(server);
  engine.OfferMailResume(true);
  Split(50000, 10086, "receiver@localhost", 2);
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{
                "The manifest (REPORT.sha256) was not mailed:\n451 Requested action aborted: "
                "local error in processing",
                "Every part was mailed, but REPORT.sha256 and the files after it were not; they "
                "are in " +
                    out + ", to be mailed by hand."}));
  EXPECT_EQ(ui.Status(), " Mail failed");
  EXPECT_EQ(server.Messages().size(), 5u);
  EXPECT_EQ(testing::ListDir(out).size(), 8u);
}

// A recovery file is longer than the part it stands for: its message counts
// for the server's limit before anything is written.
TEST_F(MailingSplitTest, RecoveryMessageOverTheServersLimitIsRefusedBeforeAnyPart) {
  SmtpTestServer probe;
  UseServer(probe);
  auto part = mailer.MessageSize({"receiver@localhost", "REPORT.DOC", "REPORT.Z00", 10086, 0, 5});
  ASSERT_TRUE(part);
  SmtpTestServer server("normal", {"--size-limit", std::to_string(*part + 200)});
  UseServer(server);
  Split(50000, 10086, "receiver@localhost", 2);
  ASSERT_EQ(ui.MessageTexts().size(), 1u);
  EXPECT_NE(ui.MessageTexts()[0].find("larger than the mail server's limit"), std::string::npos)
      << ui.MessageTexts()[0];
  EXPECT_TRUE(testing::ListDir(out).empty());
}

#ifndef _WIN32
// Runs `command` on a terminal of its own and plays the user: when the text
// of a step has appeared in the output, its keys are typed a moment later. Gives the output
// and the exit status (-1 when it had not ended by itself after 20 s).
std::pair<std::string, int> RunOnTerminal(
    const std::string& command, const std::vector<std::pair<std::string, std::string>>& steps) {
  int terminal = -1;
  pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string output;
  std::size_t step = 0;
  std::size_t seen = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{terminal, POLLIN, 0};
    char buffer[4096];
    ssize_t n = ::poll(&p, 1, 100) > 0 ? ::read(terminal, buffer, sizeof buffer) : 0;
    if (n < 0) break;  // the terminal's other end has closed
    output.append(buffer, static_cast<std::size_t>(n));
    if (step < steps.size() && output.find(steps[step].first, seen) != std::string::npos) {
      seen = output.find(steps[step].first, seen) + steps[step].first.size();
      std::this_thread::sleep_for(std::chrono::milliseconds(200));  // as a person would
      ::write(terminal, steps[step].second.data(), steps[step].second.size());
      ++step;
    }
  }
  int status = 0;
  bool ended = false;
  while (!(ended = ::waitpid(child, &status, WNOHANG) == child) &&
         std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ::close(terminal);
  return {output, ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}
#endif

TEST(CliMailTest, SplitWithMailToTakesThePasswordFromTheEnvironmentOrTheTerminal) {
#ifdef _WIN32
  GTEST_SKIP() << "a pseudo-terminal is Linux's; cli_wine_test mails with fennimar-cli.exe";
#else
  testing::TestCertificates certificates;
  std::vector<std::string> options = certificates.Options("server");
  options.insert(options.end(), {"--implicit-tls", "--auth", "cli:s3cret"});
  SmtpTestServer server("normal", options);
  testing::TempDir work;
  SettingsStore cliSettings{work / "cfg/fennimar/FENNIMAR.INI"};
  cliSettings.WriteSetting(settings::kSection, settings::kSmtpHost, server.HostText());
  cliSettings.WriteSetting(settings::kSection, settings::kSmtpSecurity, "TLS");
  cliSettings.WriteSetting(settings::kSection, settings::kSmtpUser, "cli");
  cliSettings.WriteSetting(settings::kSection, settings::kMyAddress, "cli@localhost");
  testing::WriteFile(work / "DATA.BIN", testing::RandomBytes(30000, 4));
  std::string split = "cd " + work.path() + " && XDG_CONFIG_HOME=" + work.path() + "/cfg" +
                      " exec " + FENNIMAR_BINARY_DIR +
                      "/src/cli/fennimar-cli split DATA.BIN -s 12000";
  ASSERT_EQ(testing::Run("export FENNIMAR_SMTP_PASSWORD=s3cret; " + split +
                         " -d parts -y --mail-to you@localhost > out.txt 2> err.txt < /dev/null"),
            0)
      << testing::ReadText(work / "err.txt");
  std::string out = testing::ReadText(work / "out.txt");
  EXPECT_NE(out.find("Mailing part 3 of 3 (DATA.Z02)\nMailed part 3 of 3\nMailing "
                     "DATA.sha256\nMailed DATA.sha256\n Mailed"),
            std::string::npos)
      << out;
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 4u);
  testing::TempDir check;
  auto python = testing::CheckWithPython(messages[2], check.path());
  EXPECT_EQ(python["subject"], "Part  3 of total  3 parts of file:DATA.BIN ");
  EXPECT_EQ(testing::ReadFile(check / "part-0"), testing::ReadFile(work / "parts/DATA.Z02"));

  // Asked on the terminal, unseen; Ctrl-C at the prompt asks to stop, as
  // during any wait, and a stop there is no failure.
  const std::string prompt = "Password for cli at " + server.HostText() + ": ";
  testing::Run("mkdir " + work / "typed" + " " + work / "stopped");
  auto [shown, status] = RunOnTerminal(split + " -d typed --mail-to you@localhost",
                                       {{prompt, "\x03"}, {"stop?", "n\n"}, {prompt, "s3cret\n"}});
  EXPECT_EQ(status, 0) << shown;
  EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
  EXPECT_EQ(server.Messages().size(), 8u);
  std::tie(shown, status) = RunOnTerminal(split + " -d stopped --mail-to you@localhost",
                                          {{prompt, "\x03"}, {"stop?", "y\n"}});
  EXPECT_EQ(status, 1) << shown;
  EXPECT_NE(shown.find(" Aborted"), std::string::npos) << shown;
  EXPECT_EQ(server.Messages().size(), 8u);
#endif
}

}  // namespace
}  // namespace fennimar
