#include "format/part_format.h"

#include <gtest/gtest.h>

#include <numeric>

#include "format/part_checksum.h"
#include "format/part_name.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

std::uint16_t Checksum(const Bytes& bytes) {
  return ComputePartChecksum(bytes.data(), bytes.size());
}

// The checksum as docs/part-format.md defines it: signed bytes added into a
// signed 32-bit sum.
std::uint16_t ReferenceChecksum(const Bytes& bytes) {
  std::int32_t sum = 0;
  for (auto b : bytes) sum += static_cast<std::int8_t>(b);
  return static_cast<std::uint16_t>(sum);
}

TEST(PartChecksumTest, DescribedExamples) {
  EXPECT_EQ(Checksum({'a', 'b', 'c'}), 0x0126);
  EXPECT_EQ(Checksum({0x01, 0xFF}), 0x0000);
  EXPECT_EQ(Checksum({0x80}), 0xFF80);
  EXPECT_EQ(Checksum({}), 0x0000);
  EXPECT_EQ(Checksum(Bytes(1000, 0xFF)), static_cast<std::uint16_t>(-1000));
}

TEST(PartChecksumTest, VectorPathMatchesReferenceAtEveryLengthAndAlignment) {
  Bytes data = testing::RandomBytes(5000, 7);
  for (std::size_t start = 0; start < 17; ++start) {
    for (std::size_t length : {0u, 1u, 15u, 16u, 31u, 32u, 33u, 64u, 1000u, 4097u}) {
      Bytes slice(data.begin() + start, data.begin() + start + length);
      ASSERT_EQ(Checksum(slice), ReferenceChecksum(slice)) << start << "+" << length;
    }
  }
}

TEST(PartChecksumTest, BlockwiseSumEqualsWholeSum) {
  Bytes data = testing::RandomBytes(100000, 3);
  PartChecksum blockwise;
  for (std::size_t at = 0; at < data.size(); at += 32000) {
    blockwise.Add(data.data() + at, std::min<std::size_t>(32000, data.size() - at));
  }
  EXPECT_EQ(blockwise.Value(), ReferenceChecksum(data));
  // All 0x80 over more than 2^16 bytes: the accumulator wraps like the 32-bit one.
  Bytes extreme(300000, 0x80);
  EXPECT_EQ(Checksum(extreme), ReferenceChecksum(extreme));
}

TEST(PartHeaderTest, EncodesEveryFieldLittleEndianAtItsOffset) {
  PartHeader header;
  header.partCount = 3;
  header.partIndex = 1;
  header.SetSourceName("REPORT.DOC");
  header.modifiedTime = 0x01020304;
  header.totalSize = 2001;
  header.checksum = 0xBEEF;
  header.dataLength = -2;
  HeaderBytes bytes = EncodeHeader(header);
  ASSERT_EQ(bytes.size(), 86u);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(std::string(bytes.begin() + 2, bytes.begin() + 12), "REPORT.DOC");
  EXPECT_TRUE(std::all_of(bytes.begin() + 12, bytes.begin() + 72, [](auto b) { return b == 0; }));
  EXPECT_EQ((Bytes{bytes.begin() + 72, bytes.begin() + 76}), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ((Bytes{bytes.begin() + 76, bytes.begin() + 80}), (Bytes{0xD1, 0x07, 0, 0}));
  EXPECT_EQ((Bytes{bytes.begin() + 80, bytes.begin() + 82}), (Bytes{0xEF, 0xBE}));
  EXPECT_EQ((Bytes{bytes.begin() + 82, bytes.begin() + 86}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));

  PartHeader back = DecodeHeader(bytes);
  EXPECT_EQ(back.partCount, 3);
  EXPECT_EQ(back.partIndex, 1);
  EXPECT_EQ(back.SourceName(), "REPORT.DOC");
  EXPECT_EQ(back.modifiedTime, 0x01020304);
  EXPECT_EQ(back.totalSize, 2001);
  EXPECT_EQ(back.checksum, 0xBEEF);
  EXPECT_EQ(back.dataLength, -2);
}

TEST(PartHeaderTest, NamesOf69And70CharactersAndLonger) {
  PartHeader header;
  header.SetSourceName(std::string(69, 'n'));
  HeaderBytes bytes = EncodeHeader(header);
  EXPECT_EQ(bytes[2 + 68], 'n');
  EXPECT_EQ(bytes[2 + 69], 0);  // exactly one terminating zero
  header.SetSourceName(std::string(70, 'm'));
  EXPECT_EQ(DecodeHeader(EncodeHeader(header)).SourceName(), std::string(70, 'm'));
  header.SetSourceName(std::string(75, 'x'));
  bytes = EncodeHeader(header);
  EXPECT_EQ(bytes[71], 'x');
  EXPECT_EQ(bytes[72], 0);  // the time field, not the 71st name byte
}

// The worked example of docs/part-format.md, byte for byte.
TEST(PartHeaderTest, LargeSetOfTheDocumentsExample) {
  PartHeader header;
  header.partCount = 3;
  header.SetSource("DISC.ISO", 4700000000);
  header.SetModifiedTime(2208988800);  // 2040-01-01 00:00:00 UTC
  header.checksum = 0x1234;
  header.dataLength = 2000000000;
  HeaderBytes bytes = EncodeHeader(header);
  Bytes expected(86, 0);
  const Bytes tail = {0x00, 0x4f, 0x24, 0x18, 0x01, 0x00, 0x00, 0x00, 0x80, 0x7e, 0xaa,
                      0x83, 0xff, 0xff, 0xff, 0xff, 0x34, 0x12, 0x00, 0x94, 0x35, 0x77};
  expected[0] = 3;
  std::copy_n("DISC.ISO", 8, expected.begin() + 2);
  std::copy(tail.begin(), tail.end(), expected.begin() + 64);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

  PartHeader back = DecodeHeader(bytes);
  EXPECT_TRUE(back.IsLargeSet());
  EXPECT_EQ(back.SourceSize(), 4700000000);
  EXPECT_EQ(back.SourceName(), "DISC.ISO");
  EXPECT_EQ(back.ModifiedTime(), 2208988800);
  EXPECT_TRUE(back.DescribesValidSet());
}

TEST(PartHeaderTest, TimesFrom1970To2106AreKeptOthersStoredAsNone) {
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {1234567890, 1234567890}, {0x7FFFFFFF, 0x7FFFFFFF}, {0x80000000, 0x80000000},
      {0xFFFFFFFF, 0xFFFFFFFF}, {0x100000000, 0},         {-1, 0},
  };
  for (auto [time, read] : cases) {
    PartHeader header;
    header.SetModifiedTime(time);
    EXPECT_EQ(DecodeHeader(EncodeHeader(header)).ModifiedTime(), read) << time;
  }
}

struct NameCase {
  const char* directory;
  const char* source;
  int index;
  const char* part;
};

TEST(PartNameTest, StemIsCutAtTheFirstDotOfTheFileName) {
  const NameCase cases[] = {
      {"/parts", "/data/REPORT.DOC", 0, "/parts/REPORT.Z00"},
      {"/parts", "/data/ARCHIVE.TAR.GZ", 1, "/parts/ARCHIVE.Z01"},
      {"/out", "/a.b/FILE.TXT", 0, "/out/FILE.Z00"},
      {"/out", "/home/u/.cache/x/REPORT.DOC", 12, "/out/REPORT.Z12"},
      {"/out", "/data/NODOT", 99, "/out/NODOT.Z99"},
      {"/out/", "/data/R.DOC", 2, "/out/R.Z02"},
      {"/", "/data/R.DOC", 3, "/R.Z03"},
      {"/media/floppy", "REPORT.DOC", 100, "/media/floppy/REPORT.Z100"},
  };
  for (const auto& c : cases) {
    // The separator the part's name is joined with is the system's own.
    std::string part = c.part;
    std::string_view directory = c.directory;
    if (!directory.ends_with('/')) part[directory.size()] = kPathSeparator;
    EXPECT_EQ(PartPath(c.directory, c.source, c.index), part) << c.source;
  }
  EXPECT_EQ(PartBaseOf("/x.y/REPORT.Z03"), "/x.y/REPORT");
  EXPECT_EQ(PartBaseOf("REPORT.Z03"), "REPORT");
}

TEST(PartNameTest, IndexFromNameNeedsUpperZAndTwoDigits) {
  EXPECT_EQ(PartIndexFromName("/d/DATA.Z02"), 2);
  EXPECT_EQ(PartIndexFromName("/d.e/DATA.Z99"), 99);
  for (const char* name : {"/d/data.z02", "/d/DATA.ZIP", "/d/DATA.Z2", "/d/DATA.Z0A", "/d/A.B.Z01",
                           "/d/DATA", "/d/DATA.Z002"}) {
    EXPECT_FALSE(PartIndexFromName(name)) << name;
  }
}

TEST(PartNameTest, IdentifiesPartFilesByNameAndFirstTwoBytes) {
  testing::TempDir dir;
  auto make = [&](const std::string& name, Bytes bytes) {
    testing::WriteFile(dir / name, bytes);
    return dir / name;
  };
  EXPECT_TRUE(IsPartFile(make("DATA.Z02", {5, 2, 0})));
  EXPECT_FALSE(IsPartFile(make("IDX.Z02", {2, 2, 0})));    // index not below count
  EXPECT_FALSE(IsPartFile(make("OTHER.Z01", {5, 2, 0})));  // index differs from name
  EXPECT_FALSE(IsPartFile(make("A.Z00", {1})));            // one byte has no index
  EXPECT_FALSE(IsPartFile(make("NEG.Z00", {0x80, 0})));    // count 128, over 100
  EXPECT_FALSE(IsPartFile(make("BIG.Z00", {200, 0})));     // count 200
  EXPECT_FALSE(IsPartFile(make("NONE.Z00", {0, 0})));      // count 0
  EXPECT_TRUE(IsPartFile(make("LAST.Z99", {100, 99})));    // the largest set's last part
  EXPECT_FALSE(IsPartFile(dir / "MISSING.Z00"));
}

}  // namespace
}  // namespace fennimar
