// The content encoders and decoders: published test vectors, the edge cases
// of every writer, and round trips of random data.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "mail/mime/content_decoders.h"
#include "mail/mime/content_encoders.h"
#include "mail_test_server.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

class EncoderTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  int result = -1;

  // Runs `encoder` over a source holding `bytes`; the output as text. A
  // tested writer's result goes to `result`.
  template <typename Encoder>
  std::string Encode(Encoder encoder, const Bytes& bytes) {
    testing::WriteFile(dir / "source", bytes);
    auto source = File::OpenRead(dir / "source");
    auto output = File::Create(dir / "output");
    EXPECT_TRUE(source && output);
    if constexpr (std::is_void_v<decltype(encoder(*source, *output))>) {
      encoder(*source, *output);
    } else {
      result = encoder(*source, *output);
    }
    EXPECT_TRUE(output->Close());
    return testing::ReadText(dir / "output");
  }
  template <typename Encoder>
  std::string Encode(Encoder encoder, const std::string& text) {
    return Encode(encoder, Bytes(text.begin(), text.end()));
  }
};

// Feeds `text` to a streaming decoder in pieces of `piece` characters, so
// that escapes and quanta are cut at every possible place.
template <typename Decoder>
Bytes DecodeInPieces(const std::string& text, std::size_t piece) {
  Decoder decoder;
  Bytes out;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    std::size_t n = std::min(piece, text.size() - at);
    std::vector<std::uint8_t> buffer(Decoder::MaxOutput(n));
    out.insert(
        out.end(), buffer.begin(),
        buffer.begin() + static_cast<long>(decoder.Decode(text.data() + at, n, buffer.data())));
  }
  std::uint8_t tail[3];
  out.insert(out.end(), tail, tail + decoder.Finish(tail));
  return out;
}

Bytes DecodeBase64(const std::string& text, std::size_t piece = 7) {
  return DecodeInPieces<Base64Decoder>(text, piece);
}

Bytes DecodeQuotedPrintable(const std::string& text, std::size_t piece = 5) {
  return DecodeInPieces<QuotedPrintableDecoder>(text, piece);
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST_F(EncoderTest, Base64GivesThePublishedTestVectors) {
  const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                         {"f", "Zg==\r\n"},
                                                         {"fo", "Zm8=\r\n"},
                                                         {"foo", "Zm9v\r\n"},
                                                         {"foob", "Zm9vYg==\r\n"},
                                                         {"fooba", "Zm9vYmE=\r\n"},
                                                         {"foobar", "Zm9vYmFy\r\n"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Encode(EncodeBase64, plain), encoded) << plain;
    EXPECT_EQ(DecodeBase64(encoded), AsBytes(plain)) << plain;
  }
}

TEST_F(EncoderTest, Base64LinesHold57BytesAs76Characters) {
  std::string one = Encode(EncodeBase64, std::string(57, 'a'));
  EXPECT_EQ(one.size(), 78u);
  EXPECT_EQ(one.substr(76), "\r\n");
  std::string two = Encode(EncodeBase64, std::string(58, 'a'));
  ASSERT_EQ(two.size(), 78u + 6u);
  EXPECT_EQ(two.substr(78), "YQ==\r\n");
  EXPECT_EQ(Encode(EncodeBase64, Bytes{0xff}), "/w==\r\n");
  EXPECT_EQ(Encode(EncodeBase64, Bytes{0xfb, 0xff}), "+/8=\r\n");
}

TEST_F(EncoderTest, Base64MatchesCoreutilsAcrossItsReadBlocks) {
  // Sizes around the encoder's large read block, whose lines must still be
  // 57-byte lines.
  for (std::size_t size : {std::size_t{116736}, std::size_t{116737}, std::size_t{300001}}) {
    Bytes data = testing::RandomBytes(size, static_cast<std::uint32_t>(size));
    std::string ours = Encode(EncodeBase64, data);
    ASSERT_EQ(testing::RunOnBuildMachine("base64 -w 76 " + dir / "source" + " | sed 's/$/\\r/' > " +
                                         dir / "coreutils"),
              0);
    EXPECT_EQ(ours, testing::ReadText(dir / "coreutils")) << size;
    EXPECT_EQ(ours.size(), Base64EncodedSize(size));
    EXPECT_EQ(DecodeBase64(ours, 4093), data);
  }
}

TEST_F(EncoderTest, Base64DecoderSkipsForeignCharactersAndKeepsGroupsAcrossPieces) {
  EXPECT_EQ(DecodeBase64("Zm9v\r\nYm Fy\t!*", 1), AsBytes("foobar"));
  EXPECT_EQ(DecodeBase64("Zg==Zm8=", 3), AsBytes("ffo"));
  EXPECT_EQ(DecodeBase64("Zm9vYg"), AsBytes("foob"));  // unpadded end
  EXPECT_EQ(DecodeBase64("==Zg"), AsBytes(""));        // padding first: nothing
  Bytes random = testing::RandomBytes(10000, 7);
  for (std::size_t piece : {1u, 3u, 512u}) {
    EXPECT_EQ(DecodeBase64(Encode(EncodeBase64, random), piece), random);
  }
}

TEST_F(EncoderTest, QuotedPrintableEscapesEqualsLineEndsAndHighBytes) {
  EXPECT_EQ(Encode(EncodeQuotedPrintable, "a=b\r\n"), "a=3Db=0D=0A");
  EXPECT_EQ(Encode(EncodeQuotedPrintable, Bytes{233, 0, 127, 255}), "=E9=00=7F=FF");
  EXPECT_EQ(Encode(EncodeQuotedPrintable, " \tx~! "), " \tx~! ");
}

TEST_F(EncoderTest, QuotedPrintableBreaksLinesSoftlyAfter72Characters) {
  EXPECT_EQ(Encode(EncodeQuotedPrintable, std::string(100, 'a')),
            std::string(73, 'a') + "=\r\n" + std::string(27, 'a'));
  // Escapes count three characters: a line stays within 76 with its "=".
  std::string encoded = Encode(EncodeQuotedPrintable, std::string(60, '='));
  std::size_t start = 0;
  while (start < encoded.size()) {
    std::size_t end = encoded.find("\r\n", start);
    if (end == std::string::npos) end = encoded.size();
    EXPECT_LE(end - start, 76u);
    start = end + 2;
  }
}

TEST_F(EncoderTest, QuotedPrintableRoundTripsRandomBytes) {
  Bytes random = testing::RandomBytes(20000, 11);
  std::string encoded = Encode(EncodeQuotedPrintable, random);
  for (std::size_t piece : {1u, 2u, 5u, 512u}) {
    EXPECT_EQ(DecodeQuotedPrintable(encoded, piece), random);
  }
}

TEST_F(EncoderTest, QuotedPrintableDecoderReadsLowerCaseHexAndSoftBreaks) {
  EXPECT_EQ(DecodeQuotedPrintable("caf=e9 =3d=3D"), (Bytes{'c', 'a', 'f', 0xe9, ' ', '=', '='}));
  EXPECT_EQ(DecodeQuotedPrintable("ab=\r\ncd=  \r\nef=\ngh"), AsBytes("abcdefgh"));
  // Not an escape: the "=" stands for itself.
  EXPECT_EQ(DecodeQuotedPrintable("a=zz=4g=", 1), AsBytes("a=zz=4g="));
}

TEST_F(EncoderTest, SevenBitStopsBeforeTheBlockWithAByteAbove127OrZero) {
  Bytes text(2500, 'x');
  for (std::size_t i = 50; i + 1 < text.size(); i += 60) {
    text[i] = '\r';
    text[i + 1] = '\n';
  }
  Bytes high = text;
  high[1500] = 200;  // in the second block of 997
  EXPECT_EQ(Encode(EncodeSevenBit, high).size(), 997u);
  EXPECT_EQ(result, kEncodeBadByte);
  Bytes zero = text;
  zero[10] = 0;
  EXPECT_EQ(Encode(EncodeSevenBit, zero), "");
  EXPECT_EQ(result, kEncodeBadByte);
  EXPECT_EQ(Encode(EncodeSevenBit, text).size(), text.size());
  EXPECT_EQ(result, kEncodeOk);
}

TEST_F(EncoderTest, SevenBitLineLimitCountsTheLfThatBeginsALine) {
  EXPECT_EQ(Encode(EncodeSevenBit, std::string(996, 'a')).size(), 996u);
  EXPECT_EQ(result, kEncodeOk);
  Encode(EncodeSevenBit, std::string(997, 'a'));
  EXPECT_EQ(result, kEncodeLineTooLong);
  // After CR LF the LF counts: the second line may hold 995 more.
  Encode(EncodeSevenBit, "a\r\n" + std::string(995, 'b'));
  EXPECT_EQ(result, kEncodeOk);
  Encode(EncodeSevenBit, "a\r\n" + std::string(996, 'b'));
  EXPECT_EQ(result, kEncodeLineTooLong);
  // A CR LF pair split between two blocks still ends the line.
  std::string split = std::string(996, 'a') + "\r\n" + std::string(900, 'b');
  EXPECT_EQ(Encode(EncodeSevenBit, split), split);
  EXPECT_EQ(result, kEncodeOk);
  // A lone LF ends no line.
  Encode(EncodeSevenBit, std::string(500, 'a') + "\n" + std::string(500, 'b'));
  EXPECT_EQ(result, kEncodeLineTooLong);
}

TEST_F(EncoderTest, EightBitPassesHighBytesAndAllowsOneMoreCharacter) {
  Bytes high(997, 0xe9);
  EXPECT_EQ(Encode(EncodeEightBit, high), std::string(997, '\xe9'));
  EXPECT_EQ(result, kEncodeOk);
  Bytes zero(10, 0);
  EXPECT_EQ(Encode(EncodeEightBit, zero).size(), 10u);
  Encode(EncodeEightBit, std::string(998, 'a'));
  EXPECT_EQ(result, kEncodeLineTooLong);
}

TEST_F(EncoderTest, BinaryCopiesEverything) {
  Bytes random = testing::RandomBytes(12345, 3);
  EXPECT_EQ(AsBytes(Encode(EncodeBinary, random)), random);
  EXPECT_EQ(Encode(EncodeBinary, Bytes{}), "");
}

TEST(DotStufferTest, DotsThatBeginALineAreDoubledWhereverThePiecesSplit) {
  const std::pair<std::string, std::string> cases[] = {{".a\r\n.b\n.\r.", "..a\r\n..b\n..\r.."},
                                                       {"a.b. .\r\nx..", "a.b. .\r\nx.."},
                                                       {"..\r\n...", "...\r\n...."},
                                                       {"", ""}};
  for (const auto& [in, out] : cases) {
    for (std::size_t piece : {1, 2, 3, 64}) {
      DotStuffer stuffer;
      std::string stuffed;
      for (std::size_t at = 0; at < in.size(); at += piece) {
        std::size_t n = std::min(piece, in.size() - at);
        std::string buffer(DotStuffer::MaxOutput(n), '\0');
        stuffed.append(buffer.data(), stuffer.Stuff(in.data() + at, n, buffer.data()));
      }
      EXPECT_EQ(stuffed, out) << in << " in pieces of " << piece;
    }
  }
}

TEST(FromUnquoterTest, EachQuotedFromLineLosesOneQuoteWhereverThePiecesSplit) {
  const std::pair<std::string, std::string> cases[] = {
      {">From a\n>>From b\r\n>>>From c", "From a\n>From b\r\n>>From c"},
      {"x >From\n>Fro\n>>\n> From\n>From", "x >From\n>Fro\n>>\n> From\n>From"},
      {">From >From \n>>From ", "From >From \n>From "},
      {"", ""}};
  for (const auto& [in, out] : cases) {
    for (std::size_t piece : {1, 2, 3, 64}) {
      FromUnquoter unquoter;
      std::string unquoted;
      for (std::size_t at = 0; at < in.size(); at += piece) {
        unquoter.Filter(in.data() + at, std::min(piece, in.size() - at), unquoted);
      }
      unquoter.Finish(unquoted);
      EXPECT_EQ(unquoted, out) << in << " in pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace fennimar
