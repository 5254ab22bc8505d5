// SmtpSession and TcpConnection against a real SMTP server on loopback,
// well-behaved and misbehaving, with shortened time-outs.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "mail/smtp_session.h"
#include "mail_test_server.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::SmtpTestServer;

// Short enough for a silent server, long enough for a loaded machine.
constexpr ConnectionTimeouts kShort{5000, 5000, 1500};
constexpr char kFrom[] = "Fennimar Test <sender@localhost>";

class SmtpSessionTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  SmtpSession session{kShort};

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
  ASSERT_EQ(session.Connect(server.HostText(), "client.example"), 0);
  std::string body = ".leading dot\r\nmiddle\r\n" + std::string(700, 'b') + "\r\n..two\r\n.";
  ASSERT_EQ(session.Transmit("Some One <rcpt@localhost>", kFrom, "Hello", body, {}), 0);
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
  EXPECT_NE(received.find("\r\n\r\n" + body + "\r\n"), std::string::npos);
  EXPECT_EQ(server.Envelope(0), "from sender@localhost\nto rcpt@localhost\n");
  EXPECT_EQ(server.SessionLog(),
            (std::vector<std::string>{"CONNECT", "HELO client.example", "MAIL sender@localhost",
                                      "RCPT rcpt@localhost", "QUIT"}));
}

TEST_F(SmtpSessionTest, SendMimeDotStuffsTheFileAndDeletesItsTemporaryFile) {
  SmtpTestServer server;
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  std::string text = ".dot at the start\r\n.and again\r\n";
  testing::WriteFile(dir / "notes.txt", text);
  MimeComposer message;
  message.AddFilePart(dir / "notes.txt", std::nullopt, TransferEncoding::kSevenBit);
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
  EXPECT_EQ(session.SendMime("rcpt@localhost", kFrom, "s", "", message), 0);
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
  SmtpSession second(kShort);
  ASSERT_EQ(second.Connect(refusing.HostText(), "localhost"), 0);
  EXPECT_EQ(second.SendMime("rcpt@localhost", kFrom, "s", "", message), 7);
  EXPECT_EQ(TempFilesNamedMime(), "");
  ::unsetenv("TMPDIR");
}

TEST_F(SmtpSessionTest, MultiLineGreetingIsReadWholeBeforeHelo) {
  SmtpTestServer server("multiline-greeting");
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), 0);
  EXPECT_EQ(server.Messages().size(), 1u);
}

TEST_F(SmtpSessionTest, MisbehavingServersGiveTheirStepsCode) {
  {
    SmtpTestServer server("rcpt-refused");
    ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
    EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), 4);
  }
  {
    SmtpTestServer server("data-250");
    ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
    EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), 5);
  }
  {
    SmtpTestServer server("refuse-after-data");
    ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
    EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), 7);
    EXPECT_TRUE(server.Messages().empty());
  }
  {
    SmtpTestServer server("silent-after-data");
    ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
    EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "s", "b", {}), 7);
  }
}

TEST_F(SmtpSessionTest, SilentServerTimesOutAtTheGreeting) {
  SmtpTestServer server("silent");
  EXPECT_EQ(session.Connect(server.HostText(), "localhost"), 3);
  EXPECT_EQ(session.ReadReply(), 1);
}

TEST_F(SmtpSessionTest, ConnectFailuresAndServerTexts) {
  EXPECT_EQ(session.Connect("127.0.0.1:" + std::to_string(testing::UnusedPort()), "localhost"), 2);
  EXPECT_EQ(session.Connect("smtp.invalid", "localhost"), 1);
  EXPECT_EQ(session.Connect("localhost:0", "localhost"), 1);
  EXPECT_EQ(session.Connect("localhost:99999", "localhost"), 1);
  EXPECT_EQ(session.Connect("localhost:2x", "localhost"), 1);
  SmtpTestServer server;
  // A name is resolved after its last "@"; a dotted address is used as it is.
  EXPECT_EQ(session.Connect("user@x@localhost:" + std::to_string(server.port()), "localhost"), 0);
  EXPECT_EQ(session.AddressText(), std::string("127.0.0.1"));
  EXPECT_EQ(session.Port(), server.port());
  EXPECT_EQ(session.Connect(server.HostText(), "localhost"), 0);  // ends the first conversation
  session.Quit();
  EXPECT_EQ(server.SessionLog(), (std::vector<std::string>{"CONNECT", "HELO localhost", "QUIT",
                                                           "CONNECT", "HELO localhost", "QUIT"}));
}

TEST_F(SmtpSessionTest, EnvelopeAddressesAndTheirRefusals) {
  SmtpTestServer server;
  // Nothing connected: the return address is judged first, then the link.
  EXPECT_EQ(session.Transmit("rcpt@localhost", "no-angle", "s", "b", {}), 1);
  EXPECT_EQ(session.Transmit("rcpt@localhost", "", "s", "b", {}), 3);
  ASSERT_EQ(session.Connect(server.HostText(), "localhost"), 0);
  EXPECT_EQ(session.Transmit("ab", kFrom, "s", "b", {}), 2);
  EXPECT_EQ(session.Transmit("rcpt@localhost\r\nRSET", kFrom, "s", "b", {}), 2);
  EXPECT_EQ(session.Transmit("rcpt@localhost", "Two Words", "s", "b", {}), 3);
  std::string longSender = "<" + std::string(120, 'x') + "@localhost>";
  EXPECT_EQ(session.Transmit("rcpt@localhost", longSender, "s", "b", {}), 3);
  // A bare mailbox is put in angle brackets; "<" inside quotes is skipped.
  EXPECT_EQ(session.Transmit("\"Odd <name>\" <odd@localhost>", "bare@localhost", "s", "b", {}), 0);
  EXPECT_EQ(server.Envelope(0), "from bare@localhost\nto odd@localhost\n");
  // A subject cannot add header lines or end the message early.
  EXPECT_EQ(session.Transmit("rcpt@localhost", kFrom, "a\r\n.\r\nX-Evil: 1", "b", {}), 0);
  auto python = testing::CheckWithPython(server.Messages()[1], dir.path());
  EXPECT_EQ(python["subject"], "a  .  X-Evil: 1");
}

TEST_F(SmtpSessionTest, ReadReplyJoinsMultiLineRepliesAndDropsOverlongLines) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ASSERT_EQ(session.AdoptSocket(pair[0]), 0);
  std::string replies = "250-first\r\n250-" + std::string(600, 'x') + "\r\n250 last\r\n";
  ASSERT_EQ(::write(pair[1], replies.data(), replies.size()), static_cast<ssize_t>(replies.size()));
  EXPECT_EQ(session.ReadReply(), 250);
  ASSERT_EQ(::write(pair[1], "354 go\r\n", 8), 8);
  EXPECT_EQ(session.ReadReply(), 354);
  ASSERT_EQ(::write(pair[1], "2", 1), 1);
  ::close(pair[1]);
  EXPECT_EQ(session.ReadReply(), 1);  // no complete line
}

TEST_F(SmtpSessionTest, ReadLineEndsALineWhoseCrAndLfArriveApart) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ASSERT_EQ(session.AdoptSocket(pair[0]), 0);
  ASSERT_EQ(::write(pair[1], "250-a\r", 6), 6);
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(::write(pair[1], "\n250 b\r\n", 9), 9);
  });
  char line[kReplyLineSize];
  EXPECT_EQ(session.ReadLine(line, sizeof line, 2000), 7);
  EXPECT_STREQ(line, "250-a\r\n");
  late.join();
  EXPECT_EQ(session.ReadLine(line, sizeof line, 2000), 7);
  EXPECT_STREQ(line, "250 b\r\n");
  ::close(pair[1]);
}

TEST(SmtpHelpersTest, GetTokenStripLineEndAndDate) {
  char token[8];
  EXPECT_EQ(TcpConnection::GetToken("  250 OK", " ", 0, token, sizeof token), 0);
  EXPECT_STREQ(token, "250");
  EXPECT_EQ(TcpConnection::GetToken("a,,b", ",", 1, token, sizeof token), 0);
  EXPECT_STREQ(token, "b");
  EXPECT_EQ(TcpConnection::GetToken("a b", " ", 2, token, sizeof token), 1);
  EXPECT_STREQ(token, "");
  EXPECT_EQ(TcpConnection::GetToken("abcdefgh", " ", 0, token, sizeof token), 1);
  EXPECT_EQ(TcpConnection::GetToken("abc", "", 0, token, sizeof token), 1);
  for (auto [in, out] : std::initializer_list<std::pair<std::string, std::string>>{
           {"line\r\n", "line"}, {"line\n", "line"}, {"line\r", "line"}, {"\r", ""}, {"x", "x"}}) {
    std::string text = in;
    TcpConnection::StripLineEnd(text);
    EXPECT_EQ(text, out);
  }
  char date[64];
  EXPECT_EQ(FormatMailDate(1700000000, date, 31), 1);
  ASSERT_EQ(FormatMailDate(1700000000, date, 32), 0);
  EXPECT_STREQ(date, "14 Nov 2023 22:13:20 GMT");
  EXPECT_EQ(FormatMailDate(1704067199, date, 64), 0);
  EXPECT_STREQ(date, "31 Dec 2023 23:59:59 GMT");
  EXPECT_TRUE(TcpConnection::IsDottedAddress("127.0.0.1"));
  EXPECT_FALSE(TcpConnection::IsDottedAddress("localhost"));
  char address[10];
  EXPECT_EQ(TcpConnection::ResolveHost("me@localhost", address, sizeof address), 0);
  EXPECT_STREQ(address, "127.0.0.1");
  EXPECT_EQ(TcpConnection::ResolveHost("localhost", address, 9), 1);
  EXPECT_EQ(TcpConnection::ResolveHost("smtp.invalid", address, sizeof address), 2);
}

}  // namespace
}  // namespace fennimar
