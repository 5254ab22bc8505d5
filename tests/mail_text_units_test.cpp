// The text units under the MIME parser and composer, as tables: structured
// header values (RFC 2231 sections, charsets, %-escapes), encoded words B
// and Q, broken input, the header texts the composer writes, and the lines
// of a stored message however they end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/mime/header_text.h"
#include "mail/mime/line_reader.h"
#include "mail/mime/mail_date.h"
#include "mail/mime/mime_header.h"
#include "test_support.h"

namespace fennimar {
namespace {

using Texts = std::vector<std::string>;

TEST(MimeHeaderTest, ParametersInEveryFormAndBrokenOnes) {
  struct Case {
    const char* field;
    const char* parameter;
    const char* expected;
  };
  for (const Case& c : {
           Case{"attachment; filename=\"a b;c.txt\"", "filename", "a b;c.txt"},
           Case{"text/plain; junk; CHARSET=utf-8 (a comment)", "charset", "utf-8"},
           Case{"x; name*1=\"two\"; name*0=one", "name", "onetwo"},
           Case{"x; name*0*=utf-8''caf%C3%A9; name*1=\"%41.txt\"", "name", "caf\xc3\xa9%41.txt"},
           Case{"x; name*=iso-8859-1'fr'caf%E9", "name", "caf\xc3\xa9"},
           Case{"x; name*=utf-8''100%zz%4", "name", "100%zz%4"},
           Case{"x; name*=no-quotes%41", "name", "no-quotesA"},
           Case{"x; name*256=too-far", "name", ""},
           Case{"x; name*1x=not-a-number", "name", ""},
           Case{"x; name=\"=?utf-8?B?Y2Fmw6k=?=\"", "name", "caf\xc3\xa9"},
           Case{"x; name=\"=?ISO-8859-1?q?caf=E9_au_lait?=\"", "name", "caf\xc3\xa9 au lait"},
           Case{"x; name==?utf-8?B?YQ==?=", "name", "=?utf-8?B?YQ==?="},
           Case{"x; name=\"unclosed", "name", "unclosed"},
       }) {
    EXPECT_EQ(ParseFieldValue(c.field).Parameter(c.parameter), c.expected) << c.field;
  }
  EXPECT_EQ(ParseFieldValue(" Multipart/Mixed (c) ; boundary=b").value, "Multipart/Mixed");
}

TEST(MimeHeaderTest, EncodedWordsDecodeAndMalformedOnesStay) {
  const std::pair<const char*, const char*> cases[] = {
      {"=?utf-8?B?YQ==?= \t =?UTF-8?b?Yg==?=", "ab"},
      {"=?utf-8?Q?a_b=3D?= c", "a b= c"},
      {"x =?utf-8?B?Y2Fmw6k=?=", "x caf\xc3\xa9"},
      {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
      {"=?utf-8?B?a b?=", "=?utf-8?B?a b?="},
      {"=??B?YQ==?=", "=??B?YQ==?="},
      {"=?utf-8?Q?=4", "=?utf-8?Q?=4"},
      {"=?utf-8?Q?=4?=", "=4"},
      {"=?utf-8?B?YWJ?=", "ab"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(DecodeEncodedWords(text), expected) << text;
}

TEST(MimeHeaderTest, FieldsAreFoldedAndFoundWithoutRegardToCase) {
  MimeHeader header;
  for (const char* line : {"Content-Type: text/plain;", "\tcharset=x", "no colon here",
                           "content-type: second", "TO : a@x"}) {
    header.AddLine(line);
  }
  EXPECT_EQ(header.Field("CONTENT-TYPE"), "text/plain;\tcharset=x");
  EXPECT_EQ(header.Field("to"), "a@x");
  EXPECT_EQ(header.Field("no colon here"), "");
}

TEST(MailDateTest, DatesAsMailProgramsWriteThemAndNoDates) {
  EXPECT_EQ(ParseMailDate("14 Nov 2023 22:13:20 +0000"), 1700000000);
  EXPECT_EQ(ParseMailDate("Wed, 15 Nov 2023 00:13:20 +0200 (CEST)"), 1700000000);
  EXPECT_EQ(ParseMailDate("Tue, 14 nov 23 17:13 -0500"), 1700000000 - 20);
  EXPECT_EQ(ParseMailDate("14 Nov 2023 22:13:20 GMT"), 1700000000);
  for (const char* bad : {"", "yesterday", "31 Feb 2023 10:00:00 +0000", "14 Nov 2023 25:00"})
    EXPECT_EQ(ParseMailDate(bad), std::nullopt) << bad;
}

TEST(HeaderTextTest, WordsAddressesAndFileNames) {
  EXPECT_EQ(OneLine("a\r\nb\rc\n"), "a  b c ");
  EXPECT_EQ(EncodedWords("plain text"), "plain text");
  EXPECT_EQ(EncodedWords("caf\xc3\xa9"), "=?UTF-8?B?Y2Fmw6k=?=");
  EXPECT_EQ(EncodedAddresses("\"J\xc3\xb6rg M\" <j@x>, b@x"),
            "=?UTF-8?B?SsO2cmcgTQ==?= <j@x>, b@x");
  EXPECT_EQ(SplitAddresses("a, \"b, c\" <d,e>, f"),
            (std::vector<std::string_view>{"a", " \"b, c\" <d,e>", " f"}));
  EXPECT_EQ(AsciiFileName("Gr\xc3\xbc\xc3\x9f \"x\\\t.txt"), "Gr__ _x__.txt");
  EXPECT_EQ(ExtendedValue("a b/\xc3\xa9~"), "utf-8''a%20b%2F%C3%A9~");
  // A long text: words of at most kMaxEncodedWord characters, on lines of
  // their own, none splitting a character; they decode to the text again.
  std::string text;
  for (int k = 0; k < 40; ++k) text += "\xe2\x82\xac x";
  std::string words = EncodedWords(text);
  std::size_t start = 0;
  for (std::size_t end; (end = words.find("\r\n ", start)) != std::string::npos; start = end + 3) {
    EXPECT_LE(end - start, kMaxEncodedWord);
  }
  EXPECT_LE(words.size() - start, kMaxEncodedWord);
  EXPECT_EQ(DecodeEncodedWords(words), text);
}

class LineReaderTest : public ::testing::Test {
 protected:
  testing::TempDir dir;

  // The lines of bytes [begin, end) of `content` as "text|precedingEnd|start".
  Texts Lines(const std::string& content, std::int64_t begin = 0, std::int64_t end = -1) {
    testing::WriteFile(dir / "lines", content);
    auto file = File::OpenRead(dir / "lines");
    EXPECT_TRUE(file);
    LineReader reader(*file, begin, end < 0 ? static_cast<std::int64_t>(content.size()) : end);
    Texts lines;
    for (Line line; reader.Next(line);) {
      std::string text(line.text.size() > 8 ? std::to_string(line.text.size()) + " bytes"
                                            : std::string(line.text));
      lines.push_back(text + "|" + std::to_string(line.precedingEnd) + "|" +
                      std::to_string(line.start));
    }
    EXPECT_FALSE(reader.failed());
    return lines;
  }
};

TEST_F(LineReaderTest, CrLfLfMixedLongAndUnendedLines) {
  struct Case {
    std::string content;
    Texts lines;
  };
  const std::string huge(300 * 1024, 'x');
  for (const Case& c : {
           Case{"", {}},
           Case{"\r\n", {"|0|0"}},
           Case{"a\r\nb\nc", {"a|0|0", "b|2|3", "c|1|5"}},
           Case{"a\n\nb\r\n", {"a|0|0", "|1|2", "b|1|3"}},
           Case{"a\rb\n", {"a\rb|0|0"}},
           // A line the buffer holds comes whole; of a longer one, its
           // first kMaxLineText bytes.
           Case{std::string(5000, 'y') + "\nz", {"5000 bytes|0|0", "z|1|5001"}},
           Case{huge + "\r\nend", {"4096 bytes|0|0", "end|2|307202"}},
       }) {
    EXPECT_EQ(Lines(c.content), c.lines) << c.content.substr(0, 16);
  }
  // A range inside the file: its first line starts at `begin`, its last
  // ends at `end` without a line end.
  EXPECT_EQ(Lines("abc\ndef\nghi\n", 4, 7), (Texts{"def|0|4"}));
}

TEST_F(LineReaderTest, NextStartingWithSkipsTheLinesBetween) {
  testing::WriteFile(dir / "lines", "a\n-x\n--b\r\n---\n");
  auto file = File::OpenRead(dir / "lines");
  ASSERT_TRUE(file);
  LineReader reader(*file, 0, 14);
  Line line;
  ASSERT_TRUE(reader.NextStartingWith("--", line));
  EXPECT_EQ(line.text, "--b");
  EXPECT_EQ(line.precedingEnd, 1);
  ASSERT_TRUE(reader.NextStartingWith("--", line));
  EXPECT_EQ(line.text, "---");
  EXPECT_EQ(line.precedingEnd, 2);
  EXPECT_FALSE(reader.NextStartingWith("--", line));
}

}  // namespace
}  // namespace fennimar
