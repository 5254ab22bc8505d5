// MimeParser on messages as mail programs write and mail stores keep them,
// read side by side with Python's email package; on hostile ones; and the
// names it may write under.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "mail/mime/mime_parser.h"
#include "mail/mime/mime_parser_codes.h"
#include "mail_test_server.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

struct Leaf {
  std::string name;
  Bytes bytes;
};

// Every leaf part of the message at `path`, decoded, as our parser finds it.
std::vector<Leaf> OurLeaves(const std::string& path) {
  MimeParser parser;
  EXPECT_EQ(ParserCode(parser.OpenSource(path)), 0);
  EXPECT_EQ(ParserCode(parser.Parse()), 0) << path;
  std::vector<Leaf> leaves;
  for (int k = 0; k < PartCountCode(parser); ++k) {
    Leaf leaf{parser.ParsedParts()[static_cast<std::size_t>(k)].name, {}};
    EXPECT_TRUE(parser.DecodePart(k, [&](const std::uint8_t* data, std::size_t size) {
      leaf.bytes.insert(leaf.bytes.end(), data, data + size);
      return true;
    }));
    leaves.push_back(std::move(leaf));
  }
  return leaves;
}

// Our parser finds the same parts, names and bytes as Python's email package.
void ExpectSameAsPython(const std::string& path, std::size_t expectedParts) {
  testing::TempDir python;
  auto summary = testing::CheckWithPython(path, python.path());
  std::vector<Leaf> ours = OurLeaves(path);
  ASSERT_EQ(summary["parts"], std::to_string(ours.size())) << path;
  EXPECT_EQ(ours.size(), expectedParts) << path;
  for (std::size_t k = 0; k < ours.size(); ++k) {
    std::string part = "part-" + std::to_string(k);
    EXPECT_EQ(ours[k].name, summary["filename-" + std::to_string(k)]) << path << " " << part;
    // Python hands text out with LF line ends, whatever the message had.
    Bytes bytes = ours[k].bytes;
    if (summary["type-" + std::to_string(k)].rfind("text/", 0) == 0 &&
        summary["cte-" + std::to_string(k)] != "base64") {
      std::erase_if(bytes, [](std::uint8_t c) { return c == '\r'; });
    }
    EXPECT_EQ(bytes, testing::ReadFile(python / part)) << path << " " << part;
  }
}

std::string Base64Line(const Bytes& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
    std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int s = 18; s >= 0; s -= 6) out += alphabet[(v >> s) & 63];
  }
  return out;  // the tests use sizes divisible by three
}

class MimeParserTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  Bytes data = testing::RandomBytes(30000, 12);

  std::string File(const std::string& name, const Bytes& bytes) {
    testing::WriteFile(dir / name, bytes);
    return dir / name;
  }
  std::string File(const std::string& name, const std::string& text) {
    return File(name, Bytes(text.begin(), text.end()));
  }
};

TEST_F(MimeParserTest, ReadsWhatMailStoresKeepAsPythonDoes) {
  const std::string b64 = Base64Line(data);
  std::string wrapped;
  for (std::size_t i = 0; i < b64.size(); i += 76) wrapped += b64.substr(i, 76) + "\n";
  const std::string head = "MIME-Version: 1.0\nSubject: x\n";
  const std::pair<std::string, std::size_t> messages[] = {
      // LF line ends, the name in the disposition only, base64 on one line.
      {head +
           "Content-Type: multipart/mixed; boundary=\"B1\"\n\n--B1\n"
           "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
           "Content-Disposition: attachment; filename=\"DATA.Z01\"\n\n" +
           b64 + "\n--B1--\n",
       1},
      // Mixed line ends, folded fields, an unquoted boundary before another
      // parameter, a name in both fields.
      {"MIME-Version: 1.0\r\nContent-Type: multipart/mixed;\r\n\tboundary=B2;\r\n charset=x\r\n\r\n"
       "--B2\r\nContent-Type: text/plain\n\nhello\r\nthere\n--B2\nContent-Type: application/x;\n"
       " name=\"type-name.bin\"\nContent-Disposition: attachment;\r\n filename=\"disp name.bin\"\n"
       "Content-Transfer-Encoding: BASE64\n\n" +
           wrapped + "--B2--\n",
       2},
      // RFC 2231 boundary and continued, encoded file name; RFC 2047 name.
      {head +
           "Content-Type: multipart/mixed; boundary*=us-ascii'en'B%33\n\n--B3\n"
           "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
           "Content-Disposition: attachment; filename*0*=utf-8''caf%C3%A9;\n"
           " filename*1=\"-\"; filename*2*=%C3%BC.bin\n\n" +
           wrapped +
           "--B3\nContent-Type: text/plain; name=\"=?UTF-8?B?w6l0w6kudHh0?=\"\n\nx\n--B3--\n",
       2},
      // A multipart inside an alternative, a forwarded message with its own
      // attachment, preambles and epilogues with dash lines that are no
      // delimiters.
      {head +
           "Content-Type: multipart/mixed; boundary=outer\n\npreamble\n--outerX\n--outer\n"
           "Content-Type: multipart/alternative; boundary=alt\n\n--alt\n\ntext\n--alt\n"
           "Content-Type: multipart/mixed; boundary=inner\n\n--inner\n"
           "Content-Disposition: attachment; filename=A.Z00\nContent-Transfer-Encoding: "
           "base64\n\n" +
           wrapped +
           "--inner--\nepilogue\n--alt--\n--outer\nContent-Type: message/rfc822\n\n"
           "Subject: fwd\nContent-Type: multipart/mixed; boundary=fwd\n\n--fwd\n"
           "Content-Type: application/octet-stream; name=B.Z00\n"
           "Content-Transfer-Encoding: base64\n\n" +
           wrapped + "--fwd--\n--outer--\nthe end\n",
       3},
      // No closing delimiter; the boundary's text inside base64 lines and a
      // line that only begins like a delimiter.
      {head +
           "Content-Type: multipart/mixed; boundary=QUJD\n\n--QUJD\n\n--QUJDx\n--QUJD\n"
           "Content-Disposition: attachment; filename=open.bin\n"
           "Content-Transfer-Encoding: base64\n\nQUJDQUJD\nQUJD\n" +
           wrapped,
       2},
      // Quoted-printable with a line of 5000 characters, soft-broken and not.
      {head + "Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\n" +
           std::string(5000, 'q') + "=3D\n" + std::string(3000, 'r') + "=\n" +
           std::string(3000, 's') + "\n",
       1},
  };
  int k = 0;
  for (const auto& [text, parts] : messages) {
    std::string path = dir / ("m" + std::to_string(k++) + ".eml");
    testing::WriteFile(path, text);
    ExpectSameAsPython(path, parts);
  }
  EXPECT_EQ(OurLeaves(dir / "m2.eml")[0].name, "caf\xc3\xa9-\xc3\xbc.bin");
  EXPECT_EQ(OurLeaves(dir / "m2.eml")[1].name, "\xc3\xa9t\xc3\xa9.txt");
  EXPECT_EQ(OurLeaves(dir / "m0.eml")[0].bytes, data);
}

TEST_F(MimeParserTest, ReadsWhatOtherMailProgramsWrite) {
  testing::WriteFile(dir / "DATA.Z01", data);
  testing::WriteFile(dir / "notes.txt", "From the start\nline = two\n");
  for (const char* policy : {"default", "SMTP", "SMTPUTF8", "HTTP", "strict", "compat32"}) {
    std::string path = dir / (std::string(policy) + ".eml");
    testing::RunPythonScript("mail_received.py",
                             {"write", policy, path, "DATA.Z01=" + dir / "DATA.Z01",
                              "Gr\xc3\xbc\xc3\x9f"
                              "e lang name " +
                                  std::string(60, 'x') + ".txt=" + dir / "notes.txt"});
    ExpectSameAsPython(path, 3);
  }
  std::string command = "cd " + dir.path() + " && mpack -s parts -o mpack.eml DATA.Z01";
  ASSERT_EQ(testing::RunOnBuildMachine(command), 0);
  ExpectSameAsPython(dir / "mpack.eml", 1);
  // s-nail writes the message into an mbox file, as it would send it.
  command = "cd " + dir.path() + " && echo body | s-nail -:/ -Smta=test://" + dir.path() +
            "/snail.mbox -Sttycharset=utf-8 -Sexpandaddr -s parts -a DATA.Z01 you@localhost";
  ASSERT_EQ(testing::RunOnBuildMachine(command), 0);
  std::string mbox = testing::ReadText(dir / "snail.mbox");
  testing::WriteFile(dir / "snail.eml", mbox.substr(mbox.find('\n') + 1));
  ExpectSameAsPython(dir / "snail.eml", 2);
}

TEST_F(MimeParserTest, HostileMessagesEndInARefusalOrABestEffort) {
  const std::string head = "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=";
  std::string many = head + "b\n\n";
  for (int k = 0; k < 100000; ++k) many += "--b\n\nx\n";
  testing::WriteFile(dir / "many.eml", many);
  std::string deep = head + "d0\n\n";
  for (int k = 1; k < 200; ++k) {
    deep += "--d" + std::to_string(k - 1) + "\nContent-Type: multipart/mixed; boundary=d" +
            std::to_string(k) + "\n\n";
  }
  testing::WriteFile(dir / "deep.eml", deep + "--d199\n\nleaf\n");
  testing::WriteFile(dir / "absurd.eml",
                     head + std::string(300, 'a') + "\n\n--" + std::string(300, 'a') + "\n\nx\n");
  testing::WriteFile(dir / "cut.eml", head + "c\n\n--c\nContent-Transfer-Encoding: base64\n\nQUJ");
  testing::WriteFile(dir / "header-only.eml", "MIME-Version: 1.0\nContent-Type: multi");
  testing::WriteFile(dir / "junk.eml", testing::RandomBytes(200000, 3));
  const std::pair<std::string, int> expected[] = {{"many.eml", 0},         {"deep.eml", 0},
                                                  {"absurd.eml", -3},      {"cut.eml", 0},
                                                  {"header-only.eml", -2}, {"junk.eml", -2}};
  auto start = std::chrono::steady_clock::now();
  for (const auto& [name, result] : expected) {
    MimeParser parser;
    ASSERT_EQ(ParserCode(parser.OpenSource(dir / name)), 0);
    EXPECT_EQ(ParserCode(parser.Parse()), result) << name;
    if (name == "many.eml") {
      EXPECT_EQ(PartCountCode(parser), static_cast<int>(kMaxParsedParts));
    }
    if (name == "deep.eml") {
      EXPECT_EQ(PartCountCode(parser), 1);
    }
    if (name == "cut.eml") {
      ASSERT_EQ(PartCountCode(parser), 1);
      EXPECT_EQ(ParserCode(parser.ExtractPart(0, dir / "cut.out")), 0);
      EXPECT_EQ(testing::ReadText(dir / "cut.out"), "AB");
    }
  }
  // Generous: only a hang or a quadratic search would take this long.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(MimeParserTest, ParsesWhatPythonWritesInEveryVariant) {
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
    MimeParser parser;
    ASSERT_EQ(ParserCode(parser.OpenSource(stored)), 0);
    ASSERT_EQ(ParserCode(parser.Parse()), 0) << options[0];
    ASSERT_EQ(PartCountCode(parser), 2);
    EXPECT_EQ(parser.ParsedParts()[0].encoding, TransferEncoding::kQuotedPrintable);
    EXPECT_EQ(parser.ParsedParts()[1].encoding, TransferEncoding::kBase64);
    EXPECT_EQ(parser.ParsedParts()[1].name, "attachment.bin");
    testing::TempDir out;
    ASSERT_EQ(ParserCode(parser.ExtractPart(0, out / "text")), 0);
    // Hard line breaks travel as CR LF.
    EXPECT_EQ(testing::ReadText(out / "text"), crlfText);
    ASSERT_EQ(ParserCode(parser.ExtractPartToDirectory(1, out.path())), 0);
    EXPECT_EQ(testing::ReadFile(out / "attachment.bin"), binary);
  }
}

TEST_F(MimeParserTest, NamesFromTheMessageNeverLeaveTheChosenDirectory) {
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
    MimeParser parser;
    ASSERT_EQ(ParserCode(parser.OpenSource(dir / "evil.eml")), 0);
    ASSERT_EQ(ParserCode(parser.Parse()), 0);
    ASSERT_EQ(PartCountCode(parser), 1) << name;
    EXPECT_EQ(ParserCode(parser.ExtractPartToDirectory(0, out.path())), expected) << name;
  }
  EXPECT_EQ(testing::ListDir(out.path()),
            (std::vector<std::string>{"escape1.bin", "escape2.bin", "escape3.bin"}));
  EXPECT_EQ(testing::ReadText(out / "escape1.bin"), "foo");
  EXPECT_FALSE(testing::Exists(dir / "escape1.bin"));
}

TEST_F(MimeParserTest, ParserResultsWithoutSourceAndForBrokenHeaders) {
  MimeParser parser;
  EXPECT_EQ(ParserCode(parser.Parse()), -1);
  EXPECT_EQ(PartCountCode(parser), -1);
  EXPECT_EQ(ParserCode(parser.ExtractPart(0, dir / "x")), -1);
  EXPECT_EQ(FindTextCode(parser, "a", 0, 0, 0), -1);
  EXPECT_EQ(ParserCode(parser.CloseSource()), -1);
  EXPECT_FALSE(parser.IsMime());
  EXPECT_EQ(ParserCode(parser.OpenSource(dir / "missing")), -2);

  File("noboundary.eml", "MIME-Version: 1.0\r\nContent-Type: multipart/mixed\r\n\r\nbody");
  ASSERT_EQ(ParserCode(parser.OpenSource(dir / "noboundary.eml")), 0);
  EXPECT_EQ(ParserCode(parser.OpenSource(dir / "noboundary.eml")), -1);
  EXPECT_EQ(ParserCode(parser.Parse()), -3);
  parser.CloseSource();

  File("noblank.eml", "MIME-Version: 1.0\r\nSubject: x\r\n");
  parser.OpenSource(dir / "noblank.eml");
  EXPECT_EQ(ParserCode(parser.Parse()), -2);
  parser.CloseSource();

  // A single-part message: its fields are in the message header.
  File("single.eml",
       "mime-version: 1.0\r\ncontent-type: text/plain; charset=utf-8\r\n"
       "content-transfer-encoding: quoted-printable\r\n\r\ncaf=C3=A9=\r\n!");
  parser.OpenSource(dir / "single.eml");
  ASSERT_EQ(ParserCode(parser.Parse()), 0);
  ASSERT_EQ(PartCountCode(parser), 1);
  EXPECT_EQ(parser.ParsedParts()[0].charset, "utf-8");
  EXPECT_EQ(ParserCode(parser.ExtractPart(0, "")), -2);  // no name, no path
  ASSERT_EQ(ParserCode(parser.ExtractPart(0, dir / "single")), 0);
  EXPECT_EQ(testing::ReadText(dir / "single"), "caf\xc3\xa9!");
}

TEST_F(MimeParserTest, FindTextSeesMatchesAcrossWindowsAndHonoursTheLimit) {
  std::string text(10000, '.');
  text.replace(4094, 6, "NeedlE");  // spans the first window border
  File("hay", text);
  MimeParser parser;
  ASSERT_EQ(ParserCode(parser.OpenSource(dir / "hay")), 0);
  EXPECT_EQ(FindTextCode(parser, "needle", 0, 0, 0), 4094);
  EXPECT_EQ(FindTextCode(parser, "needle", 0, 1, 0), -5);
  EXPECT_EQ(FindTextCode(parser, "NeedlE", 0, 1, 0), 4094);
  EXPECT_EQ(FindTextCode(parser, "needle", 4095, 0, 0), -5);
  EXPECT_EQ(FindTextCode(parser, "needle", 0, 0, 4094), -5);
  EXPECT_EQ(FindTextCode(parser, "needle", 0, 0, 4095), 4094);
  EXPECT_EQ(FindTextCode(parser, "needle", 4000, 0, 5), -4);
  EXPECT_EQ(FindTextCode(parser, std::string(4097, '.'), 0, 0, 0), -4);
}

}  // namespace
}  // namespace fennimar
