// MimeMessage: composing multipart bodies and parsing stored messages back
// into files, checked against Python's email package.
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
  MimeMessage message;

  std::string File(const std::string& name, const Bytes& bytes) {
    testing::WriteFile(dir / name, bytes);
    return dir / name;
  }
  std::string File(const std::string& name, const std::string& text) {
    return File(name, Bytes(text.begin(), text.end()));
  }

  // Composes `message` and stores it as Transmit sends it: the message
  // header lines, an empty line, then the composed body.
  std::string StoreAsSent(const std::string& name) {
    EXPECT_EQ(message.Compose(dir / "body"), 0);
    std::string text = "From: me <me@localhost>\r\nSubject: test\r\n";
    char line[kHeaderLineBufferSize];
    for (int i = 0; i < message.HeaderLineCount(); ++i) {
      EXPECT_EQ(message.GetHeaderLine(i, line, sizeof line), 0);
      text += line;
    }
    text += "\r\n" + testing::ReadText(dir / "body");
    testing::WriteFile(dir / name, text);
    return dir / name;
  }

  static constexpr int kHeaderLineBufferSize = 150;
};

TEST_F(MimeMessageTest, BoundaryIs25CharactersWithoutSlash) {
  char buffer[kMaxBoundaryLength + 1];
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(message.MakeBoundary(buffer, 25), 0);
    std::string boundary = buffer;
    EXPECT_EQ(boundary.size(), 25u);
    EXPECT_EQ(boundary.rfind("Mark=_", 0), 0u);
    EXPECT_EQ(boundary.find('/'), std::string::npos);
  }
  EXPECT_EQ(message.MakeBoundary(buffer, 19), -1);
  EXPECT_EQ(message.MakeBoundary(buffer, 71), -2);
  EXPECT_EQ(message.MakeBoundary(buffer, 20), 0);
  EXPECT_EQ(std::string(buffer).size(), 20u);
}

TEST_F(MimeMessageTest, ComposeOfOneBase64PartHasTheExactShape) {
  std::string part = File("REPORT.Z00", "foobar");
  ASSERT_EQ(message.AddFilePart(part, "Application/Octet-stream", TransferEncoding::kBase64), 0);
  ASSERT_EQ(message.Compose(dir / "out"), 0);
  const std::string& b = message.Boundary();
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + b +
                "\r\nContent-Type: Application/Octet-stream; name=\"REPORT.Z00\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BASE64\r\n\r\nZm9vYmFy\r\n\r\n--" +
                b + "--\r\n");
  ASSERT_EQ(message.HeaderLineCount(), 2);
  char line[150];
  ASSERT_EQ(message.GetHeaderLine(0, line, sizeof line), 0);
  EXPECT_STREQ(line, "MIME-Version: 1.0\r\n");
  ASSERT_EQ(message.GetHeaderLine(1, line, sizeof line), 0);
  EXPECT_EQ(std::string(line), "Content-Type: Multipart/Mixed; boundary=\"" + b + "\"\r\n");
}

TEST_F(MimeMessageTest, EveryKindWritesItsHeaderLines) {
  std::string text = File("notes.txt", "hello\r\n");
  message.AddFilePart(text, std::nullopt, TransferEncoding::kSevenBit);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kEightBit);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kQuotedPrintable);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kBinary);
  EXPECT_EQ(message.AddPartHeaderLine("Content-Description: raw"), 0);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kBase64);
  message.AddFilePart(text, "text/html", TransferEncoding::kBinHex40);
  ASSERT_EQ(message.Compose(dir / "out"), 0);
  std::string out = testing::ReadText(dir / "out");
  const std::string d = "\r\n--" + message.Boundary() + "\r\n";
  EXPECT_EQ(out,
            d +
                "Content-Type: text/plain; charset=US-ASCII\r\n"
                "Content-Transfer-Encoding: 7BIT\r\n\r\nhello\r\n" +
                d +
                "Content-Type: text/plain; charset=US-ASCII\r\n"
                "Content-Transfer-Encoding: 8BIT\r\n\r\nhello\r\n" +
                d +
                "Content-Type: Text/Plain; charset=US-ASCII\r\n"
                "Content-Transfer-Encoding: Quoted-Printable\r\n\r\nhello=0D=0A" +
                d +
                "Content-Type: Application/Octet-stream; name=\"notes.txt\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BINARY\r\nContent-Description: raw\r\n\r\nhello\r\n" +
                d +
                "Content-Type: Application/Octet-stream; name=\"notes.txt\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BASE64\r\n\r\naGVsbG8NCg==\r\n" +
                d + "\r\n--" + message.Boundary() + "--\r\n");
}

TEST_F(MimeMessageTest, EmptyBase64SourceGivesHeaderAndEmptyLineOnly) {
  message.AddFilePart(File("empty", ""), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "out"), 0);
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + message.Boundary() +
                "\r\nContent-Type: Application/Octet-stream; name=\"empty\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BASE64\r\n\r\n\r\n--" +
                message.Boundary() + "--\r\n");
}

TEST_F(MimeMessageTest, ComposeResultsAndRefusedFiles) {
  EXPECT_EQ(message.AddFilePart(dir / "missing", std::nullopt, TransferEncoding::kBase64), -1);
  EXPECT_EQ(message.AddPartHeaderLine("X-A: b"), -1);
  EXPECT_EQ(message.Compose(dir / "out"), -1);
  EXPECT_FALSE(testing::Exists(dir / "out"));
  std::string part = File("p", "x");
  message.AddFilePart(part, std::nullopt, TransferEncoding::kBase64);
  EXPECT_EQ(message.Compose(dir / "no/such/dir/out"), -2);
  // A source that vanished after it was added is its delimiter alone.
  ::unlink(part.c_str());
  ASSERT_EQ(message.Compose(dir / "out"), 0);
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + message.Boundary() + "\r\n\r\n--" + message.Boundary() + "--\r\n");
  // A full device fails the composition instead of cutting the attachment.
  if (testing::Exists("/dev/full")) {
    message.Clear();
    message.AddFilePart(File("q", testing::RandomBytes(5000, 1)), std::nullopt,
                        TransferEncoding::kBase64);
    EXPECT_EQ(message.Compose("/dev/full"), -3);
  }
}

TEST_F(MimeMessageTest, HeaderLinesReadOutWithExactBufferSizes) {
  char line[64];
  EXPECT_EQ(message.GetHeaderLine(0, line, sizeof line), -1);
  message.AddHeaderLine("X-Test: 12345");  // 13 characters
  EXPECT_EQ(message.GetHeaderLine(1, line, sizeof line), -2);
  EXPECT_EQ(message.GetHeaderLine(0, line, 13), -3);
  EXPECT_EQ(message.GetHeaderLine(0, line, 14), 0);
  EXPECT_STREQ(line, "X-Test: 12345");
  message.AddFilePart(File("p", "x"), std::nullopt, TransferEncoding::kBase64);
  EXPECT_EQ(message.Clear(), 0);
  EXPECT_EQ(message.HeaderLineCount(), 0);
  EXPECT_EQ(message.AddPartHeaderLine("X-A: b"), -1);
}

TEST_F(MimeMessageTest, NameParameterCannotBreakTheHeaderLine) {
  message.AddFilePart(File("a\"b\r\nX-Evil: 1", "x"), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "out"), 0);
  EXPECT_NE(testing::ReadText(dir / "out").find("name=\"a_b__X-Evil: 1\""), std::string::npos);
}

TEST_F(MimeMessageTest, ComposedMessageReadsBackInPythonAndInOurParser) {
  Bytes binary = testing::RandomBytes(100000, 5);
  std::string text = ".starts with a dot\r\nx = 1\r\ncaf\xc3\xa9\r\n" + std::string(200, 'y');
  message.AddFilePart(File("DATA.Z01", binary), "Application/Octet-stream",
                      TransferEncoding::kBase64);
  message.AddFilePart(File("text.txt", text), std::nullopt, TransferEncoding::kQuotedPrintable);
  message.AddFilePart(File("plain.txt", "plain\r\ntext\r\n"), std::nullopt,
                      TransferEncoding::kSevenBit);
  std::string stored = StoreAsSent("sent.eml");

  auto python = testing::CheckWithPython(stored, dir.path());
  EXPECT_EQ(python["defects"], "0");
  EXPECT_EQ(python["parts"], "3");
  EXPECT_EQ(python["name-0"], "DATA.Z01");
  EXPECT_EQ(python["boundary"], message.Boundary());
  EXPECT_EQ(testing::ReadFile(dir / "part-0"), binary);
  EXPECT_EQ(testing::ReadText(dir / "part-1"), text);

  MimeMessage parser;
  ASSERT_EQ(parser.OpenSource(stored), 0);
  EXPECT_TRUE(parser.IsMime());
  ASSERT_EQ(parser.Parse(), 0);
  ASSERT_EQ(parser.PartCount(), 3);
  const MimePart& first = parser.ParsedParts()[0];
  EXPECT_EQ(first.path, "DATA.Z01");
  EXPECT_EQ(first.contentType, "Application/Octet-stream");
  EXPECT_EQ(first.typeParameter, "Unknown");
  EXPECT_EQ(first.encoding, TransferEncoding::kBase64);
  EXPECT_EQ(parser.ParsedParts()[1].encoding, TransferEncoding::kQuotedPrintable);
  EXPECT_EQ(parser.ParsedParts()[1].charset, "US-ASCII");
  EXPECT_EQ(parser.ParsedParts()[2].encoding, TransferEncoding::kSevenBit);
  testing::TempDir out;
  EXPECT_EQ(parser.ExtractPartToDirectory(0, out.path()), 0);
  EXPECT_EQ(testing::ReadFile(out / "DATA.Z01"), binary);
  EXPECT_EQ(parser.ExtractPart(1, out / "text"), 0);
  EXPECT_EQ(testing::ReadText(out / "text"), text);
  EXPECT_EQ(parser.ExtractPart(2, out / "plain"), 0);
  EXPECT_EQ(testing::ReadText(out / "plain"), "plain\r\ntext\r\n");
  EXPECT_EQ(parser.ExtractPart(3, out / "none"), -10);
  EXPECT_EQ(parser.CloseSource(), 0);
  EXPECT_EQ(parser.PartCount(), -1);
}

TEST_F(MimeMessageTest, ComposeOutputAloneIsNoMessage) {
  message.AddFilePart(File("p", "x"), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "body"), 0);
  MimeMessage parser;
  ASSERT_EQ(parser.OpenSource(dir / "body"), 0);
  EXPECT_FALSE(parser.IsMime());
  EXPECT_EQ(parser.Parse(), -2);
}

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
