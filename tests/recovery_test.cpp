#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>

#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "recovery/incremental_encoder.h"
#include "recovery/recovery_encoder.h"
#include "recovery/recovery_format.h"
#include "recovery/recovery_rebuilder.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

// Small chunks, so that every set goes through the code in many of them.
constexpr std::size_t kChunk = 64;

struct TestSet {
  Bytes source;
  std::vector<Bytes> data;
  std::vector<std::string> parts;
  std::vector<std::string> recovery;
};

class RecoveryTest : public ::testing::Test {
 protected:
  // Writes a set of `k` parts of `size` source bytes (the last part the
  // shortest) under `name`, and its `n` recovery files.
  TestSet MakeSet(int k, std::size_t size, int n, const std::string& name = "REPORT.TXT") {
    TestSet set;
    set.source = testing::RandomBytes(size, static_cast<std::uint32_t>(k * 1000 + n));
    const std::size_t partSize =
        (size + static_cast<std::size_t>(k) - 1) / static_cast<std::size_t>(k);
    for (int i = 0; i < k; ++i) {
      const std::size_t from = std::min(size, partSize * static_cast<std::size_t>(i));
      const std::size_t to = std::min(size, from + partSize);
      Bytes data(set.source.begin() + static_cast<std::ptrdiff_t>(from),
                 set.source.begin() + static_cast<std::ptrdiff_t>(to));
      PartHeader header;
      header.partCount = static_cast<std::uint8_t>(k);
      header.partIndex = static_cast<std::uint8_t>(i);
      header.SetSource(name, static_cast<std::int64_t>(size));
      header.modifiedTime = 1'700'000'000;
      header.dataLength = static_cast<std::int32_t>(data.size());
      header.checksum = ComputePartChecksum(data.data(), data.size());
      const HeaderBytes bytes = EncodeHeader(header);
      Bytes file(kHeaderSize + data.size());
      std::copy(bytes.begin(), bytes.end(), file.begin());
      std::copy(data.begin(), data.end(), file.begin() + kHeaderSize);
      set.parts.push_back(PartPath(dir_.path(), name, i));
      testing::WriteFile(set.parts.back(), file);
      set.data.push_back(std::move(data));
    }
    RecoveryRequest request{set.parts, PartBaseOf(set.parts[0]), n, Digest(), kChunk};
    auto wrote = WriteRecoveryFiles(request);
    EXPECT_TRUE(wrote.ok()) << wrote.error().Text();
    for (int r = 0; r < n; ++r) set.recovery.push_back(RecoveryPathFromBase(request.base, r));
    return set;
  }

  static SourceDigest Digest() {
    SourceDigest digest;
    std::iota(digest.begin(), digest.end(), std::uint8_t{1});
    return digest;
  }

  static RecoveryHeader HeaderOf(const std::string& path) {
    auto check = CheckRecoveryFile(path);
    EXPECT_TRUE(check.ok() && check->fault == RecoveryFault::kNone);
    return check ? check->header : RecoveryHeader{};
  }

  // Rebuilds `lost` from the recovery files `sound`; the rebuilt parts'
  // data by index, or the failure's text.
  static std::map<int, Bytes> Rebuild(const TestSet& set, const std::vector<int>& lost,
                                      const std::vector<int>& sound, std::string* failure = nullptr,
                                      bool wholeSet = false) {
    RebuildRequest request{HeaderOf(set.recovery[0]), set.parts,
                           std::vector<std::string>(set.recovery.size()), kChunk};
    request.wholeSet = wholeSet;
    for (int i : lost) request.partPaths[static_cast<std::size_t>(i)].clear();
    for (int r : sound)
      request.recoveryPaths[static_cast<std::size_t>(r)] =
          set.recovery[static_cast<std::size_t>(r)];
    std::map<int, Bytes> rebuilt;
    for (int i : lost) rebuilt[i];
    for (std::size_t i = 0; wholeSet && i < set.parts.size(); ++i) rebuilt[static_cast<int>(i)];
    auto done = RebuildParts(
        request, [&](int part, std::int64_t offset, std::span<const std::uint8_t> data) {
          Bytes& bytes = rebuilt.at(part);
          EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), offset) << "part " << part;
          bytes.insert(bytes.end(), data.begin(), data.end());
          return Result<void>();
        });
    if (failure) *failure = done ? "" : done.error().Text();
    EXPECT_TRUE(done.ok() || failure);
    return rebuilt;
  }

  static void ExpectRebuilt(const TestSet& set, const std::vector<int>& lost,
                            const std::vector<int>& sound) {
    const auto rebuilt = Rebuild(set, lost, sound);
    for (int i : lost) {
      ASSERT_EQ(rebuilt.at(i), set.data[static_cast<std::size_t>(i)])
          << "part " << i << " of " << set.parts.size() << " with " << lost.size() << " lost";
    }
  }

  testing::TempDir dir_;
};

// The combinations of `size` of 0..count-1, in order.
void ForEachCombination(int count, int size,
                        const std::function<void(const std::vector<int>&)>& visit) {
  std::vector<int> chosen(static_cast<std::size_t>(size));
  std::iota(chosen.begin(), chosen.end(), 0);
  while (true) {
    visit(chosen);
    int i = size - 1;
    while (i >= 0 && chosen[static_cast<std::size_t>(i)] == count - size + i) --i;
    if (i < 0) return;
    ++chosen[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < size; ++j)
      chosen[static_cast<std::size_t>(j)] = chosen[static_cast<std::size_t>(j - 1)] + 1;
  }
}

TEST_F(RecoveryTest, AnyLostPartsUpToTheRecoveryCountAreRebuiltFromAnySoundFiles) {
  struct Case {
    int k, n;
    std::size_t size;
    int samples;  // 0: every combination of up to n lost parts
  };
  const Case cases[] = {{2, 1, 301, 0},      {2, 2, 301, 0},      {2, 10, 301, 0},
                        {20, 1, 3001, 0},    {20, 2, 3001, 0},    {20, 10, 3001, 40},
                        {100, 1, 20011, 40}, {100, 2, 20011, 40}, {100, 10, 20011, 40}};
  std::mt19937 random(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "k=" << c.k << " n=" << c.n);
    const TestSet set =
        MakeSet(c.k, c.size, c.n, "SET" + std::to_string(c.k) + "_" + std::to_string(c.n));
    // The sound recovery files: as many as parts are lost, a different
    // choice each time, so that every row of the code is used.
    auto soundFiles = [&](std::size_t count) {
      std::vector<int> all(static_cast<std::size_t>(c.n));
      std::iota(all.begin(), all.end(), 0);
      std::shuffle(all.begin(), all.end(), random);
      all.resize(count);
      return all;
    };
    for (int lost = 1; lost <= std::min(c.n, c.k); ++lost) {
      if (c.samples == 0) {
        ForEachCombination(c.k, lost, [&](const std::vector<int>& parts) {
          ExpectRebuilt(set, parts, soundFiles(parts.size()));
        });
      } else {
        for (int s = 0; s < c.samples / std::min(c.n, c.k) + 1; ++s) {
          std::vector<int> all(static_cast<std::size_t>(c.k));
          std::iota(all.begin(), all.end(), 0);
          std::shuffle(all.begin(), all.end(), random);
          all.resize(static_cast<std::size_t>(lost));
          std::sort(all.begin(), all.end());
          ExpectRebuilt(set, all, soundFiles(all.size()));
        }
      }
    }
  }
}

// GF(2^8) with the polynomial 0x11d, written out: the payloads are the rows
// of the Cauchy matrix 1 / (i ^ j) that docs/part-format.md describes.
std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
  unsigned product = 0;
  for (unsigned x = a, y = b; y != 0; y >>= 1, x = (x << 1) ^ ((x & 0x80) ? 0x11d : 0)) {
    if (y & 1) product ^= x;
  }
  return static_cast<std::uint8_t>(product);
}
std::uint8_t GfInverse(std::uint8_t a) {
  for (unsigned b = 1; b < 256; ++b) {
    if (GfMultiply(a, static_cast<std::uint8_t>(b)) == 1) return static_cast<std::uint8_t>(b);
  }
  return 0;
}

TEST_F(RecoveryTest, PayloadsAreTheDescribedCauchyRows) {
  const int k = 5;
  const int n = 3;
  const TestSet set = MakeSet(k, 999, n);
  for (int r = 0; r < n; ++r) {
    const Bytes file = testing::ReadFile(set.recovery[static_cast<std::size_t>(r)]);
    const std::size_t shard = set.data[0].size();
    ASSERT_EQ(file.size(), kRecoveryHeaderSize + shard);
    for (std::size_t b = 0; b < shard; ++b) {
      std::uint8_t expected = 0;
      for (int j = 0; j < k; ++j) {
        const Bytes& data = set.data[static_cast<std::size_t>(j)];
        const std::uint8_t byte = b < data.size() ? data[b] : 0;
        expected ^= GfMultiply(GfInverse(static_cast<std::uint8_t>((k + r) ^ j)), byte);
      }
      ASSERT_EQ(file[kRecoveryHeaderSize + b], expected) << "file " << r << " byte " << b;
    }
  }
}

TEST_F(RecoveryTest, PartsAddedOneAtATimeInAnyOrderGiveTheSameFiles) {
  const int k = 20;
  const int n = 3;
  const TestSet set = MakeSet(k, 5003, n);
  auto encoder =
      IncrementalEncoder::Create(k, n, static_cast<std::int64_t>(set.data[0].size()), kChunk);
  ASSERT_TRUE(encoder.ok()) << encoder.error().Text();
  std::vector<std::string> order = set.parts;
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  for (const std::string& part : order) {
    EXPECT_FALSE(encoder->Complete());
    auto added = encoder->AddPart(part);
    ASSERT_TRUE(added.ok()) << added.error().Text();
  }
  auto again = encoder->AddPart(set.parts[4]);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().Text(), "cannot use the part " + set.parts[4] +
                                      ": it is not a part of this set, or was added before");
  const std::string base = dir_ / "AGAIN";
  auto wrote = encoder->WriteFiles(base, Digest());
  ASSERT_TRUE(wrote.ok()) << wrote.error().Text();
  for (int r = 0; r < n; ++r) {
    EXPECT_EQ(testing::ReadFile(RecoveryPathFromBase(base, r)),
              testing::ReadFile(set.recovery[static_cast<std::size_t>(r)]));
  }
  // One file alone, as a disk in the drive takes it.
  const std::string single = dir_ / "SINGLE";
  ASSERT_TRUE(encoder->WriteFile(single, 2, Digest()).ok());
  EXPECT_EQ(testing::ReadFile(RecoveryPathFromBase(single, 2)), testing::ReadFile(set.recovery[2]));
  EXPECT_EQ(encoder->FileSize(), testing::FileSize(set.recovery[2]));
  EXPECT_FALSE(testing::Exists(RecoveryPathFromBase(single, 0)));
}

TEST_F(RecoveryTest, AJoinGetsTheWholeSetInOnePass) {
  const TestSet set = MakeSet(20, 3001, 2);
  const auto rebuilt = Rebuild(set, {3, 17}, {0, 1}, nullptr, true);
  ASSERT_EQ(rebuilt.size(), set.parts.size());
  for (const auto& [part, data] : rebuilt)
    EXPECT_EQ(data, set.data[static_cast<std::size_t>(part)]);
}

TEST_F(RecoveryTest, MoreLostPartsThanSoundFilesAreRefusedBeforeAnyRead) {
  const TestSet set = MakeSet(10, 1000, 4);
  std::string failure;
  Rebuild(set, {1, 2, 3}, {0, 3}, &failure);
  EXPECT_EQ(failure,
            "cannot rebuild the missing parts: 3 parts are missing or damaged, and 2 recovery "
            "files are sound");
}

TEST_F(RecoveryTest, APartOfAnotherLengthIsRefusedByTheRebuild) {
  const TestSet set = MakeSet(4, 400, 2);
  testing::SetHeaderField32(set.parts[1], kDataLengthOffset, 99);
  std::string failure;
  Rebuild(set, {0}, {1}, &failure);
  EXPECT_EQ(failure, "cannot use the part " + set.parts[1] +
                         ": its length is not the one the recovery files give it");
}

TEST_F(RecoveryTest, APartOfAnotherSetIsRefusedByTheEncoder) {
  const TestSet set = MakeSet(3, 300, 1);
  const TestSet other = MakeSet(3, 300, 1, "OTHER.TXT");
  auto wrote = WriteRecoveryFiles(
      {{set.parts[0], other.parts[1], set.parts[2]}, dir_ / "MIXED", 1, Digest(), kChunk});
  ASSERT_FALSE(wrote.ok());
  EXPECT_EQ(wrote.error().Text(),
            "cannot use the part " + other.parts[1] + ": it is not a part of this set");
  EXPECT_FALSE(testing::Exists(dir_ / "MIXED.R00"));
}

// Rewrites a recovery file's header with `change` applied and a sound CRC.
void RewriteHeader(const std::string& path,
                   const std::function<void(RecoveryHeaderBytes&)>& change) {
  Bytes file = testing::ReadFile(path);
  RecoveryHeaderBytes bytes;
  std::copy_n(file.begin(), bytes.size(), bytes.begin());
  change(bytes);
  EncodeFixed32(&bytes[kHeaderCrcOffset],
                ExtendCrc32(0, std::span(bytes.data(), kHeaderCrcOffset)));
  std::copy(bytes.begin(), bytes.end(), file.begin());
  testing::WriteFile(path, file);
}

TEST_F(RecoveryTest, DamagedOrForeignRecoveryFilesAreKnown) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> damage;
    RecoveryFault fault;
  };
  auto field = [](std::size_t offset, std::uint8_t value) {
    return [=](const std::string& path) {
      RewriteHeader(path, [=](RecoveryHeaderBytes& bytes) { bytes[offset] = value; });
    };
  };
  const Case cases[] = {
      {"sound", [](const std::string&) {}, RecoveryFault::kNone},
      {"short", [](const std::string& path) { testing::SetFileSize(path, 100); },
       RecoveryFault::kNotRecoveryFile},
      {"a part", [](const std::string& path) { testing::SetHeaderByte(path, 0, 1); },
       RecoveryFault::kNotRecoveryFile},
      {"newer", field(kRecoveryVersionOffset, 2), RecoveryFault::kNewerVersion},
      {"header byte",
       [](const std::string& path) { testing::SetHeaderByte(path, kSetIdentityOffset, 'X'); },
       RecoveryFault::kHeaderDamaged},
      {"index past count", field(kRecoveryIndexOffset, 4), RecoveryFault::kInvalidHeader},
      {"no parts", field(kDataPartCountOffset, 0), RecoveryFault::kInvalidHeader},
      {"count below lengths", field(kDataPartCountOffset, 4), RecoveryFault::kInvalidHeader},
      {"reserved", field(kRecoveryReservedOffset + 2, 1), RecoveryFault::kInvalidHeader},
      {"shard past lengths", field(kShardSizeOffset + 4, 1), RecoveryFault::kInvalidHeader},
      {"lengths past source", field(kDataLengthsOffset, 0), RecoveryFault::kInvalidHeader},
      {"truncated",
       [](const std::string& path) { testing::SetFileSize(path, testing::FileSize(path) - 1); },
       RecoveryFault::kWrongLength},
      {"payload byte",
       [](const std::string& path) {
         testing::SetHeaderByte(path, kRecoveryHeaderSize + 150, 0x5A);
       },
       RecoveryFault::kPayloadDamaged},
  };
  const TestSet set = MakeSet(5, 1000, 4);
  const Bytes sound = testing::ReadFile(set.recovery[1]);
  for (const Case& c : cases) {
    testing::WriteFile(set.recovery[1], sound);
    c.damage(set.recovery[1]);
    auto check = CheckRecoveryFile(set.recovery[1]);
    ASSERT_TRUE(check.ok()) << check.error().Text();
    EXPECT_EQ(check->fault, c.fault) << c.what;
  }
  EXPECT_EQ(RecoveryFaultText(RecoveryFault::kPayloadDamaged),
            "is damaged (its recovery data does not match its checksum)");
}

// The fuzzer's seeds are written from docs/part-format.md by a Python
// program of its own (with zlib's CRC-32), not by this code.
TEST_F(RecoveryTest, FilesWrittenFromTheDescriptionAreRead) {
  EXPECT_EQ(ExtendCrc32(ExtendCrc32(0, std::span(reinterpret_cast<const std::uint8_t*>("1234"), 4)),
                        std::span(reinterpret_cast<const std::uint8_t*>("56789"), 5)),
            0xCBF43926u);
  for (const char* seed : {"one_part", "three_parts", "empty_source"}) {
    auto check =
        CheckRecoveryFile(std::string(FENNIMAR_TESTS_DIR) + "/../fuzz/recovery_corpus/" + seed);
    ASSERT_TRUE(check.ok()) << check.error().Text();
    EXPECT_EQ(check->fault, RecoveryFault::kNone) << seed;
  }
}

TEST_F(RecoveryTest, NoPartReaderTakesARecoveryFileForAPart) {
  const TestSet set = MakeSet(3, 300, 1);
  const Bytes file = testing::ReadFile(set.recovery[0]);
  EXPECT_FALSE(IsValidPlace(file[0], file[1]));
  EXPECT_FALSE(PartIndexFromName(set.recovery[0]));
  // Not even under a part's name.
  std::filesystem::copy_file(set.recovery[0], dir_ / "COPY.Z00");
  EXPECT_FALSE(IsPartFile(dir_ / "COPY.Z00"));
}

}  // namespace
}  // namespace fennimar
