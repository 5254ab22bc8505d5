// MimeComposer: multipart bodies composed from files, read back by Python's
// email package and by our own parser.
#include <gtest/gtest.h>

#include <string>

#include "mail/mime/mime_composer.h"
#include "mail/mime/mime_parser.h"
#include "mail/mime/mime_parser_codes.h"
#include "mail_test_server.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

class MimeComposerTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  MimeComposer message;

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
    EXPECT_EQ(message.Compose(dir / "body"), ComposeOutcome::kOk);
    std::string text = "From: me <me@localhost>\r\nSubject: test\r\n";
    for (const std::string& line : message.HeaderLines()) text += line;
    text += "\r\n" + testing::ReadText(dir / "body");
    testing::WriteFile(dir / name, text);
    return dir / name;
  }
};

TEST_F(MimeComposerTest, BoundaryIs25CharactersWithoutSlash) {
  for (int i = 0; i < 20; ++i) {
    std::string boundary = MimeComposer::MakeBoundary(25).value();
    EXPECT_EQ(boundary.size(), 25u);
    EXPECT_EQ(boundary.rfind("Mark=_", 0), 0u);
    EXPECT_EQ(boundary.find('/'), std::string::npos);
  }
  EXPECT_FALSE(MimeComposer::MakeBoundary(19));
  EXPECT_FALSE(MimeComposer::MakeBoundary(71));
  EXPECT_EQ(MimeComposer::MakeBoundary(20).value().size(), 20u);
}

TEST_F(MimeComposerTest, ComposeOfOneBase64PartHasTheExactShape) {
  std::string part = File("REPORT.Z00", "foobar");
  ASSERT_TRUE(message.AddFilePart(part, "Application/Octet-stream", TransferEncoding::kBase64));
  ASSERT_EQ(message.Compose(dir / "out"), ComposeOutcome::kOk);
  const std::string& b = message.Boundary();
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + b +
                "\r\nContent-Type: Application/Octet-stream; name=\"REPORT.Z00\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BASE64\r\n"
                "Content-Disposition: attachment; filename=\"REPORT.Z00\"\r\n"
                "\r\nZm9vYmFy\r\n\r\n--" +
                b + "--\r\n");
  EXPECT_EQ(
      message.HeaderLines(),
      (std::vector<std::string>{"MIME-Version: 1.0\r\n",
                                "Content-Type: Multipart/Mixed; boundary=\"" + b + "\"\r\n"}));
}

// The size told before a part exists is the size composed once it does, at
// the edges of base64's groups and lines, and for a name that needs an
// extended parameter.
TEST_F(MimeComposerTest, ComposedSizeOfMatchesWhatComposeWrites) {
  const std::pair<const char*, TransferEncoding> kinds[] = {
      {"REPORT.Z00", TransferEncoding::kBase64},
      {"Bericht \xc3\xbc.Z07", TransferEncoding::kBase64},
      {"REPORT.Z01", TransferEncoding::kBinary}};
  for (const auto& [name, encoding] : kinds) {
    for (std::size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 114u, 10000u}) {
      MimeComposer one;
      std::string path = File(name, testing::RandomBytes(size, 3));
      ASSERT_TRUE(one.AddFilePart(path, "Application/Octet-stream", encoding));
      ASSERT_EQ(one.Compose(dir / "out"), ComposeOutcome::kOk);
      std::uint64_t lines = 0;
      for (const std::string& line : one.HeaderLines()) lines += line.size();
      auto told = ComposedSizeOf({path, "Application/Octet-stream", encoding, {}}, size);
      ASSERT_TRUE(told) << name;
      EXPECT_EQ(told->body, testing::ReadFile(dir / "out").size()) << name << " " << size;
      EXPECT_EQ(told->headerLines, lines) << name;
    }
  }
  EXPECT_FALSE(ComposedSizeOf({"a.txt", {}, TransferEncoding::kQuotedPrintable, {}}, 10));
}

TEST_F(MimeComposerTest, EveryKindWritesItsHeaderLines) {
  std::string text = File("notes.txt", "hello\r\n");
  message.AddFilePart(text, std::nullopt, TransferEncoding::kSevenBit);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kEightBit);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kQuotedPrintable);
  message.AddFilePart(text, std::nullopt, TransferEncoding::kBinary);
  EXPECT_TRUE(message.AddPartHeaderLine("Content-Description: raw"));
  message.AddFilePart(text, std::nullopt, TransferEncoding::kBase64);
  message.AddFilePart(text, "text/html", TransferEncoding::kBinHex40);
  ASSERT_EQ(message.Compose(dir / "out"), ComposeOutcome::kOk);
  std::string out = testing::ReadText(dir / "out");
  const std::string d = "\r\n--" + message.Boundary() + "\r\n";
  EXPECT_EQ(out, d +
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
                     "Content-Transfer-Encoding: BINARY\r\n"
                     "Content-Disposition: attachment; filename=\"notes.txt\"\r\n"
                     "Content-Description: raw\r\n\r\nhello\r\n" +
                     d +
                     "Content-Type: Application/Octet-stream; name=\"notes.txt\"; type=Unknown\r\n"
                     "Content-Transfer-Encoding: BASE64\r\n"
                     "Content-Disposition: attachment; filename=\"notes.txt\"\r\n"
                     "\r\naGVsbG8NCg==\r\n" +
                     d + "\r\n--" + message.Boundary() + "--\r\n");
}

TEST_F(MimeComposerTest, EmptyBase64SourceGivesHeaderAndEmptyLineOnly) {
  message.AddFilePart(File("empty", ""), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "out"), ComposeOutcome::kOk);
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + message.Boundary() +
                "\r\nContent-Type: Application/Octet-stream; name=\"empty\"; type=Unknown\r\n"
                "Content-Transfer-Encoding: BASE64\r\n"
                "Content-Disposition: attachment; filename=\"empty\"\r\n\r\n\r\n--" +
                message.Boundary() + "--\r\n");
}

TEST_F(MimeComposerTest, ComposeResultsAndRefusedFiles) {
  EXPECT_FALSE(message.AddFilePart(dir / "missing", std::nullopt, TransferEncoding::kBase64));
  EXPECT_FALSE(message.AddPartHeaderLine("X-A: b"));
  EXPECT_EQ(message.Compose(dir / "out"), ComposeOutcome::kNoParts);
  EXPECT_FALSE(testing::Exists(dir / "out"));
  std::string part = File("p", "x");
  message.AddFilePart(part, std::nullopt, TransferEncoding::kBase64);
  EXPECT_EQ(message.Compose(dir / "no/such/dir/out"), ComposeOutcome::kCannotCreate);
  // A source that vanished after it was added is its delimiter alone.
  ::unlink(part.c_str());
  ASSERT_EQ(message.Compose(dir / "out"), ComposeOutcome::kOk);
  EXPECT_EQ(testing::ReadText(dir / "out"),
            "\r\n--" + message.Boundary() + "\r\n\r\n--" + message.Boundary() + "--\r\n");
  // A full device fails the composition instead of cutting the attachment.
  if (testing::Exists("/dev/full")) {
    message.Clear();
    message.AddFilePart(File("q", testing::RandomBytes(5000, 1)), std::nullopt,
                        TransferEncoding::kBase64);
    EXPECT_EQ(message.Compose("/dev/full"), ComposeOutcome::kWriteFailed);
  }
  message.Clear();
  EXPECT_TRUE(message.HeaderLines().empty());
  EXPECT_FALSE(message.AddPartHeaderLine("X-A: b"));
}

TEST_F(MimeComposerTest, NameParameterCannotBreakTheHeaderLine) {
#ifdef _WIN32
  GTEST_SKIP() << "a file name with a quote or a line end cannot be made on Windows";
#endif
  message.AddFilePart(File("a\"b\r\nX-Evil: 1", "x"), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "out"), ComposeOutcome::kOk);
  std::string out = testing::ReadText(dir / "out");
  EXPECT_NE(out.find("name=\"a_b__X-Evil: 1\""), std::string::npos);
  EXPECT_NE(out.find("filename*=utf-8''a%22b%0D%0AX-Evil%3A%201\r\n"), std::string::npos);
}

TEST_F(MimeComposerTest, ComposedMessageReadsBackInPythonAndInOurParser) {
  Bytes binary = testing::RandomBytes(100000, 5);
  std::string text = ".starts with a dot\r\nx = 1\r\ncaf\xc3\xa9\r\n" + std::string(200, 'y');
  message.AddFilePart(File("DATA.Z01", binary), "Application/Octet-stream",
                      TransferEncoding::kBase64);
  message.AddFilePart(File("text.txt", text), std::nullopt, TransferEncoding::kQuotedPrintable);
  message.AddFilePart(File("plain.txt", "plain\r\ntext\r\n"), std::nullopt,
                      TransferEncoding::kSevenBit);
  // Windows takes no quote in a file name.
#ifdef _WIN32
  const std::string german = "Gr\xc3\xbc\xc3\x9f e.Z02", plain = "Gr__ e.Z02";
#else
  const std::string german = "Gr\xc3\xbc\xc3\x9f \"e\".Z02", plain = "Gr__ _e_.Z02";
#endif
  message.AddFilePart(File(german, "x"), std::nullopt, TransferEncoding::kBase64);
  std::string stored = StoreAsSent("sent.eml");

  auto python = testing::CheckWithPython(stored, dir.path());
  EXPECT_EQ(python["defects"], "0");
  EXPECT_EQ(python["parts"], "4");
  EXPECT_EQ(python["name-0"], "DATA.Z01");
  EXPECT_EQ(python["filename-0"], "DATA.Z01");
  EXPECT_EQ(python["name-3"], plain);  // the plain fallback
  EXPECT_EQ(python["filename-3"], german);
  EXPECT_EQ(python["boundary"], message.Boundary());
  EXPECT_EQ(testing::ReadFile(dir / "part-0"), binary);
  EXPECT_EQ(testing::ReadText(dir / "part-1"), text);

  MimeParser parser;
  ASSERT_EQ(ParserCode(parser.OpenSource(stored)), 0);
  EXPECT_TRUE(parser.IsMime());
  ASSERT_EQ(ParserCode(parser.Parse()), 0);
  ASSERT_EQ(PartCountCode(parser), 4);
  const ParsedPart& first = parser.ParsedParts()[0];
  EXPECT_EQ(first.name, "DATA.Z01");
  EXPECT_EQ(first.contentType, "Application/Octet-stream");
  EXPECT_EQ(first.typeParameter, "Unknown");
  EXPECT_EQ(first.encoding, TransferEncoding::kBase64);
  EXPECT_EQ(parser.ParsedParts()[1].encoding, TransferEncoding::kQuotedPrintable);
  EXPECT_EQ(parser.ParsedParts()[1].charset, "US-ASCII");
  EXPECT_EQ(parser.ParsedParts()[2].encoding, TransferEncoding::kSevenBit);
  testing::TempDir out;
  EXPECT_EQ(ParserCode(parser.ExtractPartToDirectory(0, out.path())), 0);
  EXPECT_EQ(testing::ReadFile(out / "DATA.Z01"), binary);
  EXPECT_EQ(ParserCode(parser.ExtractPart(1, out / "text")), 0);
  EXPECT_EQ(testing::ReadText(out / "text"), text);
  EXPECT_EQ(ParserCode(parser.ExtractPart(2, out / "plain")), 0);
  EXPECT_EQ(testing::ReadText(out / "plain"), "plain\r\ntext\r\n");
  EXPECT_EQ(ParserCode(parser.ExtractPart(4, out / "none")), -10);
  EXPECT_EQ(ParserCode(parser.CloseSource()), 0);
  EXPECT_EQ(PartCountCode(parser), -1);
}

TEST_F(MimeComposerTest, ComposeOutputAloneIsNoMessage) {
  message.AddFilePart(File("p", "x"), std::nullopt, TransferEncoding::kBase64);
  ASSERT_EQ(message.Compose(dir / "body"), ComposeOutcome::kOk);
  MimeParser parser;
  ASSERT_EQ(ParserCode(parser.OpenSource(dir / "body")), 0);
  EXPECT_FALSE(parser.IsMime());
  EXPECT_EQ(ParserCode(parser.Parse()), -2);
}

}  // namespace
}  // namespace fennimar
