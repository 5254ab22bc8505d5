// SmtpSession against real SMTP servers on loopback, well-behaved and
// misbehaving, plain and with TLS and a login, over IPv4 and IPv6, with
// shortened time-outs.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <arpa/inet.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "mail/mime/mime_composer.h"
#include "mail/smtp/send_mime.h"
#include "mail/smtp/smtp_session.h"
#include "mail_test_server.h"
#include "platform/clock.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::SmtpTestServer;
using Log = std::vector<std::string>;

// Short enough for a silent server, long enough for a loaded machine.
constexpr SmtpTimeouts kShort{5000, 5000, 5000, 5000, 5000, 1500};
constexpr char kFrom[] = "Fennimar Test <sender@localhost>";

// A session that composes the header block of each message it transmits
// and keeps the reason of its last step, as the sender does.
class TestSession {
 public:
  explicit TestSession(SmtpTimeouts timeouts, KeepWaiting keepWaiting = {})
      : session_(timeouts, std::move(keepWaiting)) {}

  template <typename... Args>
  SmtpOutcome Connect(Args&&... args) {
    return Keep(session_.Connect(std::forward<Args>(args)...));
  }
  void AddHeaderLine(std::string_view line) { headerLines_.emplace_back(line); }
  SmtpOutcome Transmit(const std::string& recipients, const std::string& returnAddress,
                       const std::string& subject, const std::string& body,
                       std::vector<std::string> files) {
    std::string header = ComposeHeaderBlock({returnAddress, recipients, subject, headerLines_});
    return Keep(session_.Transmit(recipients, returnAddress, {header, body, std::move(files)}));
  }
  SmtpOutcome SendMime(const std::string& recipients, const std::string& returnAddress,
                       const std::string& subject, const std::string& body, MimeComposer& message) {
    return Keep(
        fennimar::SendMime(session_, {returnAddress, recipients, subject, {}}, body, message));
  }
  SmtpReply ReadReply(int timeoutMs) { return session_.ReadReply(timeoutMs); }
  bool Adopt(SocketHandle socket) { return session_.Adopt(socket); }
  void Quit() { session_.Quit(); }
  const std::string& Reason() const { return reason_; }

 private:
  SmtpOutcome Keep(SmtpResult result) {
    reason_ = std::move(result.reason);
    return result.outcome;
  }

  SmtpSession session_;
  std::vector<std::string> headerLines_;
  std::string reason_;
};

class SmtpSessionTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  TestSession session{kShort};

  std::string TempFilesNamedMime() {
    std::string names;
    for (const std::string& name : testing::ListDir(dir.path())) {
      if (name.rfind("MIME", 0) == 0) names += name + " ";
    }
    return names;
  }
};

TEST_F(SmtpSessionTest, DeliversAMessageAndEndsWithQuit) {
  SmtpTestServer server;
  ASSERT_EQ(session.Connect(server.HostText(), "client.example"), SmtpOutcome::kOk);
  session.AddHeaderLine(".X-Dotted: header line\r\n");
  std::string body = ".leading dot\r\nmiddle\r\n" + std::string(700, 'b') + "\r\n..two\r\n.";
  ASSERT_EQ(session.Transmit("Some One <rcpt@localhost>", kFrom, "Hello", body, {}),
            SmtpOutcome::kOk);
  session.Quit();
  auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 1u);
  std::string received = testing::ReadText(messages[0]);
  EXPECT_EQ(received.rfind("From: " + std::string(kFrom) +
                               "\r\nTo: Some One <rcpt@localhost>\r\n"
                               "Subject: Hello\r\nDate: ",
                           0),
            0u);
  // The server undoes the dot-stuffing: every character arrives once, in order.
  EXPECT_NE(received.find("\r\n.X-Dotted: header line\r\n\r\n" + body + "\r\n"), std::string::npos);
  auto python = testing::CheckWithPython(messages[0], dir.path());
  EXPECT_EQ(python["defects"], "0");
  EXPECT_NE(python["message-id"].find("@localhost>"), std::string::npos);
  EXPECT_EQ(server.Envelope(0), "from sender@localhost\nto rcpt@localhost\n");
  EXPECT_EQ(server.SessionLog(), (Log{"CONNECT", "EHLO client.example", "MAIL sender@localhost",
                                      "RCPT rcpt@localhost", "QUIT"}));
}

TEST_F(SmtpSessionTest, SendMimeDotStuffsTheFileAndDeletesItsTemporaryFile) {
  SmtpTestServer server;
  testing::TemporaryFilesIn temporary(dir.path());
  std::string text = ".dot at the start\r\n.and again\r\n";
  testing::WriteFile(dir / "notes.txt", text);
  MimeComposer message;
  message.AddFilePart(dir / "notes.txt", std::nullopt, TransferEncoding::kSevenBit);
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), SmtpOutcome::kOk);
  EXPECT_EQ(session.SendMime("rcpt@localhost", kFrom, "s", "", message), SmtpOutcome::kOk);
  EXPECT_EQ(TempFilesNamedMime(), "");
  session.Quit();
  ASSERT_EQ(server.Messages().size(), 1u);
  auto python = testing::CheckWithPython(server.Messages()[0], dir.path());
  EXPECT_EQ(python["defects"], "0");
  EXPECT_EQ(python["mime-version"], "1.0");
  // Python hands text back with its own line ends.
  EXPECT_EQ(testing::ReadText(dir / "part-0"), ".dot at the start\n.and again\n");

  // Refused after the end of data: the temporary file goes all the same.
  SmtpTestServer refusing("refuse-after-data");
  TestSession second(kShort);
  ASSERT_EQ(second.Connect(refusing.HostText(), "localhost"), SmtpOutcome::kOk);
  EXPECT_EQ(second.SendMime("rcpt@localhost", kFrom, "s", "", message),
            SmtpOutcome::kMessageRefused);
  EXPECT_EQ(TempFilesNamedMime(), "");
}

TEST_F(SmtpSessionTest, MultiLineRepliesArrivingInPiecesAreReadWhole) {
  // Greeting and EHLO reply come line by line, with a pause between lines.
  SmtpTestServer server("paused-multiline");
  ASSERT_EQ(session.Connect(server.HostText(), ""), SmtpOutcome::kOk);
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), SmtpOutcome::kOk);
  EXPECT_EQ(server.Messages().size(), 1u);
  // Without a domain name this end names itself by its address.
  EXPECT_EQ(server.SessionLog()[1], "EHLO [127.0.0.1]");
}

TEST_F(SmtpSessionTest, EachRefusalGivesItsOutcomeAndTheServersText) {
  struct Case {
    const char* mode;
    SmtpOutcome outcome;
    const char* reason;
  };
  for (const Case& c :
       {Case{"rcpt-refused", SmtpOutcome::kRecipientRefused, "550 No such user here"},
        Case{"data-250", SmtpOutcome::kDataRefused, "250 Go ahead anyway"},
        Case{"refuse-after-data", SmtpOutcome::kMessageRefused, "554 Transaction failed"},
        // Terminal escapes in a reply cannot reach the screen.
        Case{"hostile-rcpt", SmtpOutcome::kRecipientRefused, "550 ?]0;PWNED??[2J"},
        Case{"silent-after-data", SmtpOutcome::kNoAnswer,
             "no answer to the message: waiting for 127.0.0.1 port"}}) {
    SmtpTestServer server(c.mode);
    TestSession fresh(kShort);
    ASSERT_EQ(fresh.Connect(server.HostText(), "localhost"), SmtpOutcome::kOk);
    EXPECT_EQ(fresh.Transmit("rcpt@localhost", kFrom, "s", "b", {}), c.outcome) << c.mode;
    EXPECT_EQ(fresh.Reason().rfind(c.reason, 0), 0u) << fresh.Reason();
    EXPECT_TRUE(server.Messages().empty()) << c.mode;
  }
}

TEST_F(SmtpSessionTest, SilentAndDrippingGreetingsEndAtTheirDeadline) {
  SmtpTestServer silent("silent");
  EXPECT_EQ(session.Connect(silent.HostText(), "localhost"), SmtpOutcome::kGreetingRefused);
  // One byte every 0.3 s: each byte comes in time, the whole reply does not.
  SmtpTestServer dripping("drip-greeting");
  SmtpTimeouts brief = kShort;
  brief.commandMs = 1500;
  TestSession impatient(brief);
  EXPECT_EQ(impatient.Connect(dripping.HostText(), "localhost"), SmtpOutcome::kGreetingRefused);
}

TEST_F(SmtpSessionTest, StopEndsAWaitAndIsNoFailure) {
  SmtpTestServer silent("silent");
  int asked = 0;
  TestSession stoppable(kShort, [&] { return ++asked < 3; });
  EXPECT_EQ(stoppable.Connect(silent.HostText(), "localhost"), SmtpOutcome::kStopped);
  EXPECT_EQ(asked, 3);
}

// A name service that does not answer: in a child process whose /etc/hosts
// is a FIFO that no one writes, looking up "localhost" waits for ever without
// asking anything beyond the machine. Stop and the deadline still end it.
// Then a name whose first address never answers (a listener whose queue is
// full drops the connection's packets) leaves time to try the second.
TEST_F(SmtpSessionTest, StalledLookupsAndConnectsEndAtStopOrInTime) {
#ifdef _WIN32
  GTEST_SKIP() << "a mount namespace (to put a FIFO in place of the hosts file) is Linux's";
#else
  std::string hosts = dir / "hosts";
  testing::WriteFile(dir / "twofold", "127.0.0.3 twofold\n127.0.0.2 twofold\n");
  ASSERT_EQ(::mkfifo(hosts.c_str(), 0600), 0);
  pid_t child = ::fork();
  if (child == 0) {
    auto hostsFile = [](const std::string& file) {
      return ::mount(file.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
    };
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || !hostsFile(hosts)) {
      ::_exit(77);
    }
    int asked = 0;
    TestSession stoppable(kShort, [&] { return ++asked < 3; });
    TestSession impatient({300, 5000, 5000, 5000, 5000, 1500});
    bool ended = stoppable.Connect("localhost", "localhost") == SmtpOutcome::kStopped &&
                 asked == 3 &&
                 impatient.Connect("localhost", "localhost") == SmtpOutcome::kNoConnection &&
                 impatient.Reason() == "looking up localhost: timed out";
    // Both addresses jammed on one port: each gets half of the second.
    auto jam = [](const char* address, int port) {
      sockaddr_in at{};
      at.sin_family = AF_INET;
      at.sin_port = htons(static_cast<std::uint16_t>(port));
      ::inet_pton(AF_INET, address, &at.sin_addr);
      socklen_t length = sizeof at;
      int listener = ::socket(AF_INET, SOCK_STREAM, 0);
      ::bind(listener, reinterpret_cast<sockaddr*>(&at), length);
      ::listen(listener, 0);
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length);
      ::connect(::socket(AF_INET, SOCK_STREAM, 0), reinterpret_cast<sockaddr*>(&at), length);
      return static_cast<int>(ntohs(at.sin_port));
    };
    std::string port = std::to_string(jam("127.0.0.2", jam("127.0.0.3", 0)));
    TestSession twofold({1000, 5000, 5000, 5000, 5000, 1500});
    ended = ended && hostsFile(dir / "twofold") &&
            twofold.Connect("twofold:" + port, "localhost") == SmtpOutcome::kNoConnection &&
            twofold.Reason() == "connect to 127.0.0.2 port " + port + ": timed out";
    ::_exit(ended ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  for (int k = 0; k < 200 && ::waitpid(child, &status, WNOHANG) == 0; ++k) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (::waitpid(child, &status, WNOHANG) == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "the lookup or the connection was still waited for after 10 s";
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
}

TEST_F(SmtpSessionTest, HeloOnlyWhenEhloIsRefusedAndNothingMoreIsAsked) {
  SmtpTestServer server("refuse-ehlo");
  ASSERT_EQ(session.Connect(server.HostText(), "a.example"), SmtpOutcome::kOk);
  EXPECT_EQ(session.Connect(server.HostText(), "a.example", SmtpSecurity::kStartTls),
            SmtpOutcome::kGreetingRefused);
  EXPECT_EQ(session.Reason(), "502 5.5.1 EHLO is not spoken here");
  EXPECT_EQ(server.SessionLog(), (Log{"CONNECT", "EHLO a.example", "HELO a.example", "QUIT",
                                      "CONNECT", "EHLO a.example"}));
}

TEST_F(SmtpSessionTest, EndlessReplyEndsTheSessionWithItsReason) {
  SmtpTestServer server("endless-ehlo");
  EXPECT_EQ(session.Connect(server.HostText(), "localhost"), SmtpOutcome::kGreetingRefused);
  EXPECT_EQ(session.Reason(),
            "the server's answer to EHLO ran to more than 1000 lines; the connection was closed");
}

TEST_F(SmtpSessionTest, ConnectFailuresAndIpv6) {
  EXPECT_EQ(session.Connect("127.0.0.1:" + std::to_string(testing::UnusedPort()), "localhost"),
            SmtpOutcome::kNoConnection);
  EXPECT_NE(session.Reason().find(testing::ConnectionRefusedText()), std::string::npos)
      << session.Reason();
  EXPECT_EQ(session.Connect("localhost:0", "localhost"), SmtpOutcome::kBadServer);
  SmtpTestServer server("normal", {"--ipv6"});
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), SmtpOutcome::kOk);
  EXPECT_EQ(session.Transmit("a@localhost, \"B, b\" <b@localhost>", kFrom, "s", "b", {}),
            SmtpOutcome::kOk);
  EXPECT_EQ(server.Envelope(0), "from sender@localhost\nto a@localhost\nto b@localhost\n");
}

TEST_F(SmtpSessionTest, EnvelopeAddressesAndTheirRefusals) {
  SmtpTestServer server;
  // Nothing connected: the return address is judged first, then the link.
  EXPECT_EQ(session.Transmit("rcpt@localhost", "no-angle", "s", "b", {}),
            SmtpOutcome::kNotConnected);
  EXPECT_EQ(session.Transmit("rcpt@localhost", "", "s", "b", {}), SmtpOutcome::kBadSender);
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), SmtpOutcome::kOk);
  for (const char* bad : {"ab", "rcpt@localhost\r\nRSET", " , , "}) {
    EXPECT_EQ(session.Transmit(bad, kFrom, "s", "b", {}), SmtpOutcome::kBadRecipient) << bad;
  }
  EXPECT_EQ(session.Transmit("rcpt@localhost", "Two Words", "s", "b", {}), SmtpOutcome::kBadSender);
  std::string longSender = "<" + std::string(120, 'x') + "@localhost>";
  EXPECT_EQ(session.Transmit("rcpt@localhost", longSender, "s", "b", {}), SmtpOutcome::kBadSender);
  // A bare mailbox is put in angle brackets; "<" inside quotes is skipped.
  EXPECT_EQ(session.Transmit("\"Odd <name>\" <odd@localhost>", "bare@localhost", "s", "b", {}),
            SmtpOutcome::kOk);
  EXPECT_EQ(server.Envelope(0), "from bare@localhost\nto odd@localhost\n");
  // A subject cannot add header lines or end the message early; one that is
  // not ASCII travels as encoded words.
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "a\r\n.\r\nX-Evil: 1", "b", {}),
            SmtpOutcome::kOk);
  auto python = testing::CheckWithPython(server.Messages()[1], dir.path());
  EXPECT_EQ(python["subject"], "a  .  X-Evil: 1");
  std::string subject = "Part  1 of total  2 parts of file:" + std::string(30, 'x') +
                        "Gr\xc3\xbc\xc3\x9f\xe2\x82\xac.txt ";
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, subject, "b", {}), SmtpOutcome::kOk);
  python = testing::CheckWithPython(server.Messages()[2], dir.path());
  EXPECT_EQ(python["subject"], subject);
  EXPECT_EQ(python["defects"], "0");
  // So do display names; the mailboxes and the envelope stay as they are.
  EXPECT_EQ(session.Transmit("\"Gro\xc3\x9f, J\xc3\xbcrgen\" <a@localhost>, b@localhost",
                             "J\xc3\xb6rg M\xc3\xbcller <jm@localhost>", "s", "b", {}),
            SmtpOutcome::kOk);
  python = testing::CheckWithPython(server.Messages()[3], dir.path());
  EXPECT_EQ(python["from"], "J\xc3\xb6rg M\xc3\xbcller <jm@localhost>");
  EXPECT_EQ(python["to"], "\"Gro\xc3\x9f, J\xc3\xbcrgen\" <a@localhost>, b@localhost");
  EXPECT_EQ(python["defects"], "0");
  EXPECT_EQ(server.Envelope(3), "from jm@localhost\nto a@localhost\nto b@localhost\n");
}

TEST_F(SmtpSessionTest, AnnouncedSizeLimitIsToldWithMailAndALargerMessageIsNeverStarted) {
  SmtpTestServer server("normal", {"--size-limit", "2000"});
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), SmtpOutcome::kOk);
  ASSERT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), SmtpOutcome::kOk);
  std::size_t size = testing::ReadFile(server.Messages()[0]).size();
  EXPECT_EQ(server.SessionLog()[2], "MAIL sender@localhost SIZE=" + std::to_string(size));
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", std::string(2000, 'b'), {}),
            SmtpOutcome::kMessageTooLarge);
  EXPECT_EQ(session.Reason(), "the message of " + std::to_string(size + 1999) +
                                  " bytes is larger than the server's limit of 2000 bytes; "
                                  "nothing of it was sent");
  EXPECT_EQ(server.SessionLog().size(), 4u);  // no second MAIL
}

TEST_F(SmtpSessionTest, ReadReplyJoinsLinesThatArriveApartAndDropsOverlongTails) {
  testing::SocketPair pair;
  ASSERT_TRUE(session.Adopt(pair.TakeNear()));
  ASSERT_TRUE(pair.Write("250-first\r\n250-" + std::string(600, 'x') + "\r\n250 last\r\n"));
  SmtpReply reply = session.ReadReply(2000);
  EXPECT_EQ(reply.code, 250);
  EXPECT_EQ(reply.text, "250-first\n250-" + std::string(kReplyLineSize - 4, 'x') + "\n250 last");
  // CR and LF of one line, and the lines of one reply, in separate packets.
  ASSERT_TRUE(pair.Write("354-a\r"));
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(pair.Write("\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(pair.Write("354 b\r\n"));
  });
  reply = session.ReadReply(5000);
  late.join();
  EXPECT_EQ(reply.code, 354);
  EXPECT_EQ(reply.text, "354-a\n354 b");
  // A long reply keeps its first lines and says how many more there were.
  std::string eight;
  for (char c = 'a'; c < 'h'; ++c) eight += std::string("250-") + c + "\r\n";
  eight += "250 h\r\n";
  ASSERT_TRUE(pair.Write(eight));
  reply = session.ReadReply(2000);
  EXPECT_EQ(reply.code, 250);
  EXPECT_EQ(reply.text, "250-a\n250-b\n250-c\n250-d\n250-e\n(3 more lines)");
  ASSERT_TRUE(pair.Write("2"));
  pair.CloseFar();
  EXPECT_EQ(session.ReadReply(2000).code, 0);  // no complete line
}

TEST(SmtpTextsTest, ServerTextsRecipientListsAndDates) {
  struct Case {
    const char* text;
    SmtpSecurity security;
    const char* host;
    int port;
  };
  for (const Case& c :
       {Case{"mail.example", SmtpSecurity::kNone, "mail.example", 25},
        Case{"mail.example", SmtpSecurity::kStartTls, "mail.example", 587},
        Case{"mail.example", SmtpSecurity::kTls, "mail.example", 465},
        Case{"me@x@mail.example:2525", SmtpSecurity::kTls, "mail.example", 2525},
        Case{"[::1]:2525", SmtpSecurity::kNone, "::1", 2525},
        Case{"[::1]", SmtpSecurity::kStartTls, "::1", 587},
        Case{"fe80::1", SmtpSecurity::kNone, "fe80::1", 25},
        Case{"host:0", SmtpSecurity::kNone, "", 0}, Case{"host:99999", SmtpSecurity::kNone, "", 0},
        Case{"host:2x", SmtpSecurity::kNone, "", 0}, Case{"host:", SmtpSecurity::kNone, "", 0},
        Case{"[::1]x", SmtpSecurity::kNone, "", 0}, Case{"", SmtpSecurity::kNone, "", 0}}) {
    auto parsed = ParseServerText(c.text, c.security);
    EXPECT_EQ(parsed ? parsed->host : "", c.host) << c.text;
    EXPECT_EQ(parsed ? parsed->port : 0, c.port) << c.text;
  }
  EXPECT_EQ(RecipientMailboxes("a@x.org, b@x.org,"), (Log{"a@x.org", "b@x.org"}));
  EXPECT_EQ(RecipientMailboxes("\"Doe, J\" <j@x.org>, <k@x.org> K"), (Log{"j@x.org", "k@x.org"}));
  EXPECT_EQ(RecipientMailboxes("<a,b@x.org>"), (Log{"a,b@x.org"}));
  EXPECT_EQ(FormatMailDate(1700000000), "14 Nov 2023 22:13:20 +0000");
  EXPECT_EQ(FormatMailDate(1704067199), "31 Dec 2023 23:59:59 +0000");
  // The header block stamps the wall clock's time; a fixed clock fixes it.
  SetWallClock(1700000000);
  std::string header = ComposeHeaderBlock({"A <a@x.org>", "b@x.org", "s", {"X-A: 1\r\n", "X-B\n"}});
  SetWallClock(std::nullopt);
  EXPECT_EQ(
      header.substr(0, header.find("Message-ID: ")),
      "From: A <a@x.org>\r\nTo: b@x.org\r\nSubject: s\r\nDate: 14 Nov 2023 22:13:20 +0000\r\n");
  EXPECT_EQ(header.substr(header.find("Message-ID: "), 22), "Message-ID: <6553f100.");
  EXPECT_TRUE(header.ends_with("@x.org>\r\nX-A: 1\r\nX-B\r\n\r\n")) << header;
}

// STARTTLS, TLS from the first byte and the login, against aiosmtpd with a
// certificate from a CA made for the test.
class SmtpTlsTest : public SmtpSessionTest {
 protected:
  testing::TestCertificates certificates;

  std::vector<std::string> Options(const std::string& certificate, std::vector<std::string> more) {
    std::vector<std::string> options = certificates.Options(certificate);
    options.insert(options.end(), more.begin(), more.end());
    return options;
  }
  SmtpOutcome Deliver(SmtpTestServer& server, SmtpSecurity security, const SmtpLogin& login,
                      const std::string& host = "") {
    SmtpOutcome outcome =
        session.Connect(host.empty() ? server.HostText() : host, "client.example", security, login);
    if (outcome == SmtpOutcome::kOk) {
      outcome = session.Transmit("rcpt@localhost", kFrom, "s", "secret body", {});
    }
    session.Quit();
    return outcome;
  }
};

TEST_F(SmtpTlsTest, StartTlsWithLoginAndImplicitTlsDeliver) {
  SmtpTestServer plain("normal", Options("server", {"--starttls", "--auth", "user:pass word"}));
  EXPECT_EQ(Deliver(plain, SmtpSecurity::kStartTls, {"user", "pass word"}), SmtpOutcome::kOk)
      << session.Reason();
  EXPECT_EQ(plain.SessionLog(),
            (Log{"CONNECT", "EHLO client.example", "STARTTLS", "EHLO client.example",
                 "AUTH PLAIN user ok", "MAIL sender@localhost", "RCPT rcpt@localhost", "QUIT"}));
  SmtpTestServer login("normal",
                       Options("server", {"--starttls", "--auth", "u:p", "--login-only"}));
  EXPECT_EQ(Deliver(login, SmtpSecurity::kStartTls, {"u", "p"}), SmtpOutcome::kOk);
  EXPECT_EQ(login.SessionLog()[4], "AUTH LOGIN u ok");
  SmtpTestServer implicit("normal", Options("server", {"--implicit-tls", "--ipv6"}));
  EXPECT_EQ(Deliver(implicit, SmtpSecurity::kTls, {}), SmtpOutcome::kOk) << session.Reason();
  EXPECT_EQ(implicit.Messages().size(), 1u);
}

TEST_F(SmtpTlsTest, EveryRefusalHasItsOwnReasonAndNothingGoesInClear) {
  struct Case {
    const char* certificate;
    std::vector<std::string> options;
    SmtpSecurity security;
    SmtpLogin login;
    SmtpOutcome outcome;
    const char* reason;
    bool byName = false;  // connect to "localhost" instead of the address
    const char* mode = "normal";
  };
  const std::vector<std::string> startTlsLogin = {"--starttls", "--auth", "user:right"};
  for (const Case& c : {
           Case{"server",
                startTlsLogin,
                SmtpSecurity::kStartTls,
                {"user", "wrong"},
                SmtpOutcome::kLoginRefused,
                "535 5.7.8 Authentication credentials invalid"},
           Case{"server",
                {},
                SmtpSecurity::kStartTls,
                {"user", "right"},
                SmtpOutcome::kTlsUnavailable,
                "the server offers no STARTTLS"},
           Case{"other",
                startTlsLogin,
                SmtpSecurity::kStartTls,
                {"user", "right"},
                SmtpOutcome::kTlsFailed,
                "the certificate of localhost was refused: hostname "
                "mismatch",
                true},
           Case{"untrusted",
                startTlsLogin,
                SmtpSecurity::kStartTls,
                {"user", "right"},
                SmtpOutcome::kTlsFailed,
                "the certificate of 127.0.0.1 was refused: self-signed"},
           Case{"expired",
                startTlsLogin,
                SmtpSecurity::kStartTls,
                {"user", "right"},
                SmtpOutcome::kTlsFailed,
                "the certificate of 127.0.0.1 was refused: certificate has expired"},
           Case{"server",
                {"--implicit-tls"},
                SmtpSecurity::kStartTls,
                {},
                SmtpOutcome::kGreetingRefused,
                "the server may expect TLS from the first byte (port 465): choose TLS"},
           Case{"server",
                {"--starttls"},
                SmtpSecurity::kTls,
                {},
                SmtpOutcome::kTlsFailed,
                "the server does not speak TLS from the first byte (for this port choose "
                "STARTTLS or no security)"},
           Case{"server",
                {"--starttls"},
                SmtpSecurity::kStartTls,
                {},
                SmtpOutcome::kTlsFailed,
                "the server did not start TLS after STARTTLS (it went on in plain text)",
                false,
                "plain-after-starttls"},
           Case{"server",
                startTlsLogin,
                SmtpSecurity::kNone,
                {"user", "right"},
                SmtpOutcome::kLoginUnavailable,
                "a login needs an encrypted connection"},
       }) {
    SmtpTestServer server(c.mode, Options(c.certificate, c.options));
    std::string host = c.byName ? "localhost:" + std::to_string(server.port()) : "";
    EXPECT_EQ(Deliver(server, c.security, c.login, host), c.outcome) << session.Reason();
    EXPECT_NE(session.Reason().find(c.reason), std::string::npos) << session.Reason();
    for (const std::string& line : server.SessionLog()) {
      EXPECT_TRUE(line.rfind("AUTH", 0) != 0 || line.ends_with("refused")) << line;
      EXPECT_NE(line.rfind("MAIL", 0), 0u) << line;
    }
    EXPECT_TRUE(server.Messages().empty());
  }
}

TEST_F(SmtpTlsTest, PlainTextAgainstATlsPortIsToldWithinSecondsAndNothingGoesInClear) {
  SmtpTestServer implicit("normal", Options("server", {"--implicit-tls"}));
  TestSession patient({});  // the standard's time-outs
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(patient.Connect(implicit.HostText(), "localhost", SmtpSecurity::kStartTls),
            SmtpOutcome::kGreetingRefused);
  patient.Quit();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(patient.Reason(),
            "no answer to the connection within 8 s: the server may expect TLS from the first "
            "byte (port 465): choose TLS");
  // A server that logs what it receives gets no QUIT, nor anything else.
  SmtpTestServer silent("silent");
  SmtpTimeouts brief = kShort;
  brief.greetingStartMs = 500;
  TestSession quick(brief);
  EXPECT_EQ(quick.Connect(silent.HostText(), "localhost"), SmtpOutcome::kGreetingRefused);
  quick.Quit();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(silent.SessionLog(), Log{});
}

// Without SSL_CERT_FILE the system's own store decides, and it knows no CA
// made for a test.
TEST_F(SmtpTlsTest, TheSystemsStoreKnowsNoTestCa) {
  certificates.Withdraw();
  SmtpTestServer server("normal", Options("server", {"--implicit-tls"}));
  EXPECT_EQ(Deliver(server, SmtpSecurity::kTls, {}), SmtpOutcome::kTlsFailed);
  EXPECT_NE(session.Reason().find("the certificate of 127.0.0.1 was refused: unable to get local "
                                  "issuer certificate"),
            std::string::npos)
      << session.Reason();
  EXPECT_TRUE(server.Messages().empty());
}

TEST_F(SmtpTlsTest, ServersRefusalTextReachesTheCaller) {
  SmtpTestServer server("normal", Options("server", {"--starttls"}));
  EXPECT_EQ(Deliver(server, SmtpSecurity::kNone, {}), SmtpOutcome::kSenderRefused);
  EXPECT_EQ(session.Reason(), "530 Must issue a STARTTLS command first");
}

}  // namespace
}  // namespace fennimar
