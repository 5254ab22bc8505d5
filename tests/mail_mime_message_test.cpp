// MimeMessage: stored messages parsed back into files, among them messages
// that Python's email package writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "mail/mime_message.h"
#include "mail_test_server.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

class MimeMessageTest : public ::testing::Test {
 protected:
  testing::TempDir dir;

  std::string File(const std::string& name, const Bytes& bytes) {
    testing::WriteFile(dir / name, bytes);
    return dir / name;
  }
  std::string File(const std::string& name, const std::string& text) {
    return File(name, Bytes(text.begin(), text.end()));
  }
};

TEST_F(MimeMessageTest, ParsesWhatPythonWritesInEveryVariant) {
  Bytes binary = testing::RandomBytes(70000, 9);
  std::string text = "line one = x\ncaf\xc3\xa9 \t\n.dot line\n" + std::string(200, '0') + "\nend";
  std::string crlfText;
  for (char c : text) crlfText += c == '\n' ? std::string("\r\n") : std::string(1, c);
  File("attachment.bin", binary);
  File("notes.txt", text);
  for (std::vector<std::string> options :
       {std::vector<std::string>{}, {"--lower"}, {"--unquoted"}, {"--lower", "--unquoted"}}) {
    std::string stored = dir / "python.eml";
    options.push_back("qp:" + dir / "notes.txt");
    options.push_back("base64:" + dir / "attachment.bin");
    testing::WriteWithPython(stored, options);
    MimeMessage parser;
    ASSERT_EQ(parser.OpenSource(stored), 0);
    ASSERT_EQ(parser.Parse(), 0) << options[0];
    ASSERT_EQ(parser.PartCount(), 2);
    EXPECT_EQ(parser.ParsedParts()[0].encoding, TransferEncoding::kQuotedPrintable);
    EXPECT_EQ(parser.ParsedParts()[1].encoding, TransferEncoding::kBase64);
    EXPECT_EQ(parser.ParsedParts()[1].path, "attachment.bin");
    testing::TempDir out;
    ASSERT_EQ(parser.ExtractPart(0, out / "text"), 0);
    // Hard line breaks travel as CR LF.
    EXPECT_EQ(testing::ReadText(out / "text"), crlfText);
    ASSERT_EQ(parser.ExtractPartToDirectory(1, out.path()), 0);
    EXPECT_EQ(testing::ReadFile(out / "attachment.bin"), binary);
  }
}

TEST_F(MimeMessageTest, NamesFromTheMessageNeverLeaveTheChosenDirectory) {
  testing::TempDir out;
  const std::pair<std::string, int> names[] = {
      {"../escape1.bin", 0},
      {"/etc/escape2.bin", 0},
      {"..\\\\win\\\\escape3.bin", 0},
      {"escape1.bin", -2},  // already there: never replaced
      {"..", -2},
      {".", -2},
      {"dir/", -2},
      {"bell\x07", -2}};
  for (const auto& [name, expected] : names) {
    std::string body =
        "MIME-Version: 1.0\r\nContent-Type: Multipart/Mixed; boundary=\"B\"\r\n\r\n"
        "\r\n--B\r\nContent-Type: Application/Octet-stream; name=\"" +
        name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\nZm9v\r\n\r\n--B--\r\n";
    File("evil.eml", body);
    MimeMessage parser;
    ASSERT_EQ(parser.OpenSource(dir / "evil.eml"), 0);
    ASSERT_EQ(parser.Parse(), 0);
    ASSERT_EQ(parser.PartCount(), 1) << name;
    EXPECT_EQ(parser.ExtractPartToDirectory(0, out.path()), expected) << name;
  }
  EXPECT_EQ(testing::ListDir(out.path()),
            (std::vector<std::string>{"escape1.bin", "escape2.bin", "escape3.bin"}));
  EXPECT_EQ(testing::ReadText(out / "escape1.bin"), "foo");
  EXPECT_FALSE(testing::Exists(dir / "escape1.bin"));
}

TEST_F(MimeMessageTest, ParserResultsWithoutSourceAndForBrokenHeaders) {
  MimeMessage parser;
  EXPECT_EQ(parser.Parse(), -1);
  EXPECT_EQ(parser.PartCount(), -1);
  EXPECT_EQ(parser.ExtractPart(0, dir / "x"), -1);
  EXPECT_EQ(parser.FindText("a", 0, 0, 0), -1);
  EXPECT_EQ(parser.CloseSource(), -1);
  EXPECT_FALSE(parser.IsMime());
  EXPECT_EQ(parser.OpenSource(dir / "missing"), -2);

  File("noboundary.eml", "MIME-Version: 1.0\r\nContent-Type: multipart/mixed\r\n\r\nbody");
  ASSERT_EQ(parser.OpenSource(dir / "noboundary.eml"), 0);
  EXPECT_EQ(parser.OpenSource(dir / "noboundary.eml"), -1);
  EXPECT_EQ(parser.Parse(), -3);
  parser.CloseSource();

  File("noblank.eml", "MIME-Version: 1.0\r\nSubject: x\r\n");
  parser.OpenSource(dir / "noblank.eml");
  EXPECT_EQ(parser.Parse(), -2);
  parser.CloseSource();

  // A single-part message: its fields are in the message header.
  File("single.eml",
       "mime-version: 1.0\r\ncontent-type: text/plain; charset=utf-8\r\n"
       "content-transfer-encoding: quoted-printable\r\n\r\ncaf=C3=A9=\r\n!");
  parser.OpenSource(dir / "single.eml");
  ASSERT_EQ(parser.Parse(), 0);
  ASSERT_EQ(parser.PartCount(), 1);
  EXPECT_EQ(parser.ParsedParts()[0].charset, "utf-8");
  EXPECT_EQ(parser.ExtractPart(0, ""), -2);  // no name, no path
  ASSERT_EQ(parser.ExtractPart(0, dir / "single"), 0);
  EXPECT_EQ(testing::ReadText(dir / "single"), "caf\xc3\xa9!");
}

TEST_F(MimeMessageTest, FindTextSeesMatchesAcrossWindowsAndHonoursTheLimit) {
  std::string text(10000, '.');
  text.replace(4094, 6, "NeedlE");  // spans the first window border
  File("hay", text);
  MimeMessage parser;
  ASSERT_EQ(parser.OpenSource(dir / "hay"), 0);
  EXPECT_EQ(parser.FindText("needle", 0, 0, 0), 4094);
  EXPECT_EQ(parser.FindText("needle", 0, 1, 0), -5);
  EXPECT_EQ(parser.FindText("NeedlE", 0, 1, 0), 4094);
  EXPECT_EQ(parser.FindText("needle", 4095, 0, 0), -5);
  EXPECT_EQ(parser.FindText("needle", 0, 0, 4094), -5);
  EXPECT_EQ(parser.FindText("needle", 0, 0, 4095), 4094);
  EXPECT_EQ(parser.FindText("needle", 4000, 0, 5), -4);
  EXPECT_EQ(parser.FindText(std::string(4097, '.'), 0, 0, 0), -4);
}

}  // namespace
}  // namespace fennimar
