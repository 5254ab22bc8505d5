// Round trips: sources split by the split engine (and by an independent
// writer) and joined again by the merge engine, byte for byte, with the
// modification time restored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <random>

#include "format/part_format.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "merge_test_support.h"
#include "platform/directories.h"
#include "scripted_ui.h"
#include "settings/settings_store.h"
#include "split/floppy_prompt.h"
#include "split/split_engine.h"
#include "split/split_form.h"
#include "split_test_support.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;

enum class Content { kRandom, kEveryByteValue, kAllFF };

Bytes MakeContent(Content content, std::size_t size, std::mt19937& random) {
  switch (content) {
    case Content::kRandom:
      return testing::RandomBytes(size, static_cast<std::uint32_t>(random()));
    case Content::kEveryByteValue: {
      Bytes bytes(size);
      for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
      std::shuffle(bytes.begin(), bytes.end(), random);
      return bytes;
    }
    case Content::kAllFF:
      return Bytes(size, 0xFF);
  }
  return {};
}

class MergeRoundTripTest : public ::testing::Test {
 protected:
  MergeRoundTripTest() {
    EXPECT_TRUE(MakeDirectory(parts).ok());
    EXPECT_TRUE(MakeDirectory(out).ok());
  }

  // Splits `source` with the split engine into parts of `chunkSize` bytes.
  void Split(const std::string& source, std::int64_t chunkSize, bool fill = false) {
    testing::ScriptedUi ui;
    ui.splitDialog = [&](SplitForm& form) {
      form.SetDirectory(parts);
      form.ChooseOther();
      form.ChooseBytes();
      form.SetSizeText(std::to_string(chunkSize));
      form.SetFillToCapacity(fill);
      return form.Ok() == DialogResult::kOk;
    };
    ui.floppyPrompt = [](FloppyPrompt& prompt) { return prompt.Ok() == DialogResult::kOk; };
    ui.answers = splitAnswers;
    SplitEngine engine(ui, settings, splitDrives, nullptr);
    engine.Run({source, testing::FileSize(source)});
    ASSERT_EQ(ui.Status(), " Complete") << ::testing::PrintToString(ui.MessageTexts());
  }

  // Joins the set that holds `part` into `out`.
  MergeOutcome Join(const std::string& part) {
    mergeUi = std::make_unique<testing::ScriptedUi>();
    mergeUi->mergeDialog = [&](MergeForm& form) {
      form.SetField(out);
      return form.Ok() == DialogResult::kOk;
    };
    MergeEngine engine(*mergeUi, settings, mergeDrives);
    return engine.Run({part, testing::FileSize(part)});
  }

  void ExpectJoinedCopyOf(const std::string& source, const std::string& part) {
    std::string target = out + testing::kSeparator + FileNameOfPath(source);
    ::unlink(target.c_str());
    ASSERT_EQ(Join(part), MergeOutcome::kComplete)
        << ::testing::PrintToString(mergeUi->MessageTexts());
    EXPECT_TRUE(mergeUi->messages.empty());
    EXPECT_TRUE(testing::ReadFile(target) == testing::ReadFile(source)) << source;
    EXPECT_EQ(testing::ModifiedTime(target), testing::ModifiedTime(source));
  }

  static std::string FileNameOfPath(const std::string& path) { return FileNameOf(path); }

  // The part files of the split, without the manifest beside them.
  std::vector<std::string> PartNames() const {
    auto names = testing::ListDir(parts);
    std::erase_if(names, [](const std::string& name) { return name.ends_with(".sha256"); });
    return names;
  }

  void ClearParts() {
    for (const auto& name : testing::ListDir(parts))
      ::unlink((parts + testing::kSeparator + name).c_str());
  }

  testing::TempDir dir;
  std::string parts = dir / "parts";
  std::string out = dir / "out";
  SettingsStore settings{dir / "FENNIMAR.INI"};
  testing::ScriptedDrives splitDrives;
  testing::ScriptedDrives mergeDrives;
  std::deque<Answer> splitAnswers;
  std::unique_ptr<testing::ScriptedUi> mergeUi;
};

TEST_F(MergeRoundTripTest, RandomSourcesAndPartSizesJoinByteForByte) {
  std::mt19937 random(20261207);
  const Content contents[] = {Content::kRandom, Content::kEveryByteValue, Content::kAllFF};
  for (int round = 0; round < 36; ++round) {
    // Sizes from 1,001 bytes to 6 MiB, spread evenly over their logarithm.
    double exponent =
        std::uniform_real_distribution<double>(std::log(1001.0), std::log(6.0 * 1048576))(random);
    auto size = static_cast<std::size_t>(std::exp(exponent));
    Content content = contents[round % 3];
    // Any part size the split accepts: a division of at least 1,000 bytes,
    // smaller than the file, giving at most 100 parts.
    std::int64_t minDivision = std::max<std::int64_t>(1000, (size + 99) / 100);
    if (minDivision >= static_cast<std::int64_t>(size)) continue;
    std::int64_t division = std::uniform_int_distribution<std::int64_t>(
        minDivision, static_cast<std::int64_t>(size) - 1)(random);
    SCOPED_TRACE(::testing::Message() << "round " << round << ": " << size << " bytes, division "
                                      << division << ", content " << static_cast<int>(content));

    std::string source = dir / ("SOURCE" + std::to_string(round) + ".BIN");
    testing::WriteFile(source, MakeContent(content, size, random));
    testing::SetModifiedTime(source,
                             std::uniform_int_distribution<std::int64_t>(1, 0x7FFFFFFF)(random));
    ClearParts();
    Split(source, division + static_cast<std::int64_t>(kHeaderSize));
    auto names = PartNames();
    ASSERT_EQ(names.size(), (size + division - 1) / division);
    // Start from a random part of the set.
    std::string selected = parts + testing::kSeparator + names[random() % names.size()];
    ExpectJoinedCopyOf(source, selected);
    ::unlink(source.c_str());
  }
}

TEST_F(MergeRoundTripTest, FloppyFillingWithMorePartsThanPlannedJoins) {
  std::string source = dir / "FLOPPY.DAT";
  std::mt19937 random(5);
  testing::WriteFile(source, MakeContent(Content::kRandom, 50000, random));
  testing::SetModifiedTime(source, 1600000000);
  splitDrives.kind = DriveKind::kRemovable;
  // Planned: 5 parts of 10,000; the disks hold less and less.
  splitDrives.freeSpaceSequence = {8086, 8086, 7086, 7086, 5086, 5086, 9086,
                                   9086, 6086, 6086, 9086, 9086, 9086, 9086};
  splitAnswers = {Answer::kYes};  // insert the first disk for the count fix-up
  Split(source, 10086, /*fill=*/true);
  auto names = PartNames();
  ASSERT_GT(names.size(), 5u);
  EXPECT_EQ(testing::ReadFile(parts + testing::kSeparator + "FLOPPY.Z00")[0], names.size());
  EXPECT_EQ(testing::ReadFile(parts + testing::kSeparator + "FLOPPY.Z01")[0], 5);
  ExpectJoinedCopyOf(source, parts + testing::kSeparator + names.back());
}

TEST_F(MergeRoundTripTest, FloppyFillingWithFewerPartsThanPlannedJoins) {
  std::string source = dir / "FEWER.DAT";
  std::mt19937 random(6);
  testing::WriteFile(source, MakeContent(Content::kEveryByteValue, 50000, random));
  testing::SetModifiedTime(source, 1600000001);
  splitDrives.kind = DriveKind::kRemovable;
  splitDrives.freeSpace = 30086;  // planned 5 parts, two disks suffice
  splitAnswers = {Answer::kYes};
  Split(source, 10086, /*fill=*/true);
  ASSERT_EQ(PartNames().size(), 2u);
  EXPECT_EQ(testing::ReadFile(parts + testing::kSeparator + "FEWER.Z00")[0], 2);
  ExpectJoinedCopyOf(source, parts + testing::kSeparator + "FEWER.Z00");
}

TEST_F(MergeRoundTripTest, SetsOfAnIndependentWriterJoin) {
  FENNIMAR_NEEDS_PYTHON();
  struct Case {
    std::size_t size;
    int perPart;
    Content content;
    const char* storedName;  // as the writer stores it; the file is SOURCE.BIN
  };
  const Case cases[] = {
      {1001, 1000, Content::kRandom, nullptr},
      {2000, 1000, Content::kAllFF, nullptr},
      {70000, 32000, Content::kEveryByteValue, nullptr},
      {64001, 32001, Content::kRandom, nullptr},
      {300000, 3000, Content::kRandom, "FROM.OTHER.MACHINE"},
      {5000, 1000, Content::kRandom, "C:\\DATA\\WINDOWS.DOC"},
  };
  std::mt19937 random(7);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::string source = dir / "SOURCE.BIN";
    testing::WriteFile(source, MakeContent(c.content, c.size, random));
    testing::SetModifiedTime(source, 1400000000);
    ClearParts();
    std::string command = "/usr/bin/python3 " FENNIMAR_TESTS_DIR "/merge_part_writer.py " + source +
                          " " + parts + " " + std::to_string(c.perPart);
    if (c.storedName) command += " '" + std::string(c.storedName) + "'";
    ASSERT_EQ(testing::Run(command + " > /dev/null"), 0);
    std::string name = c.storedName ? c.storedName : "SOURCE.BIN";
    std::string plain = name.substr(name.find_last_of("\\/:") + 1);
    std::string target = out + testing::kSeparator + plain;
    std::string stem = plain.substr(0, plain.find('.'));
    std::string first = parts + testing::kSeparator + stem + ".Z00";
    ASSERT_TRUE(testing::Exists(first)) << first;
    ::unlink(target.c_str());
    ASSERT_EQ(Join(first), MergeOutcome::kComplete)
        << ::testing::PrintToString(mergeUi->MessageTexts());
    EXPECT_TRUE(testing::ReadFile(target) == testing::ReadFile(source));
    EXPECT_EQ(testing::ModifiedTime(target), 1400000000);
  }
}

TEST_F(MergeRoundTripTest, PercentageRisesToOneHundredForLargeFiles) {
  // Above 21,474,836 bytes, bytes * 100 no longer fits 32 bits.
  std::mt19937 random(8);
  std::string source = dir / "LARGE.BIN";
  testing::WriteFile(source, MakeContent(Content::kRandom, 22 * 1000 * 1000, random));
  testing::SetModifiedTime(source, 1500000000);
  Split(source, 1000000 + static_cast<std::int64_t>(kHeaderSize));
  ExpectJoinedCopyOf(source, parts + testing::kSeparator + "LARGE.Z00");
  const auto& percents = mergeUi->percents;
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

}  // namespace
}  // namespace fennimar
