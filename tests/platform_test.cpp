#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>

#include "platform/buffered_writer.h"
#include "platform/charset.h"
#include "platform/clock.h"
#include "platform/directories.h"
#include "platform/drive.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/host_name.h"
#include "platform/locked_temp_directory.h"
#include "platform/path.h"
#include "platform/temporary_files.h"
#include "split/copy_file.h"
#include "test_support.h"

namespace fennimar {
namespace {

TEST(PathTest, SplitsAndJoins) {
  EXPECT_EQ(FileNameOf("/a.b/c.d"), "c.d");
  EXPECT_EQ(FileNameOf("name"), "name");
  EXPECT_EQ(DirectoryOf("/a.b/c.d"), "/a.b");
  EXPECT_EQ(DirectoryOf("/c"), "");
  EXPECT_EQ(JoinPath("/", "x"), "/x");
  EXPECT_EQ(JoinPath("/a/", "x"), "/a/x");
  EXPECT_EQ(JoinPath("/a", "x"), "/a" + std::string(1, kPathSeparator) + "x");
#ifdef _WIN32
  // Windows takes either separator, and both in one path.
  EXPECT_EQ(FileNameOf("C:\\a/b\\c.d"), "c.d");
  EXPECT_EQ(DirectoryOf("C:\\a\\b/c.d"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:/a/", "x"), "C:/a/x");
#endif
}

// Names longer than Windows' classic limit of 260 characters work as
// shorter ones do.
TEST(FileTest, LongNamesAreMadeWrittenRenamedAndRemoved) {
  testing::TempDir dir;
  std::string deep = dir.path();
  for (int level = 0; level < 4; ++level) {
    deep = JoinPath(deep, std::string(60, static_cast<char>('a' + level)));
    ASSERT_TRUE(MakeDirectory(deep)) << deep;
  }
  std::string name = JoinPath(deep, std::string(40, 'f') + ".txt");
  ASSERT_GT(name.size(), 300u);
  auto file = File::CreateNew(name);
  ASSERT_TRUE(file) << file.error().Text();
  EXPECT_TRUE(file->Write("long", 4));
  EXPECT_TRUE(file->Close());
  std::string renamed = JoinPath(deep, "renamed.txt");
  ASSERT_TRUE(RenameFile(name, renamed));
  EXPECT_EQ(StatusOf(renamed)->size, 4);
  EXPECT_EQ(*File::OpenRead(renamed)->Read(std::array<char, 8>().data(), 8), 4u);
  EXPECT_EQ(DirectoryEntries(deep)->size(), 1u);
  EXPECT_TRUE(RemoveFile(renamed));
  EXPECT_EQ(KindOf(renamed), EntryKind::kNone);
}

TEST(FileTest, CreateReadSeekUpdateAndRefuseDirectories) {
  testing::TempDir dir;
  auto file = File::Create(dir / "f");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->Write("hello world", 11));
  ASSERT_TRUE(file->Seek(6));
  EXPECT_TRUE(file->Write("W", 1));
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(testing::ReadText(dir / "f"), "hello World");
  auto in = File::OpenRead(dir / "f");
  char buffer[32];
  EXPECT_EQ(*in->Read(buffer, sizeof buffer), 11u);
  EXPECT_EQ(*in->Size(), 11);

  // Each failure keeps the step and the reason of its own call, however
  // many calls fail or succeed after it.
  auto taken = File::CreateNew(dir / "f");
  auto directory = File::OpenRead(dir.path());  // a directory is no file
  auto missing = File::OpenUpdate(dir / "missing");
  EXPECT_TRUE(in->Close());  // Windows deletes no open file
  EXPECT_TRUE(RemoveFile(dir / "f"));
  ASSERT_FALSE(taken || directory || missing);
  EXPECT_EQ(taken.error().kind(), ErrorKind::kExists);
  EXPECT_EQ(directory.error().kind(), ErrorKind::kIsDirectory);
  EXPECT_EQ(directory.error().Reason(), "Is a directory");
  EXPECT_EQ(missing.error().Text(), "cannot open: " + testing::NoSuchFileText());
}

#ifdef _WIN32
// A file Fennimar reads or writes cannot be written or deleted meanwhile,
// as if by another program; reading it stays open to others.
TEST(FileTest, OpenFilesAreKeptFromOtherWritersOnWindows) {
  testing::TempDir dir;
  testing::WriteFile(dir / "f", "data");
  auto in = File::OpenRead(dir / "f");
  ASSERT_TRUE(in);
  EXPECT_FALSE(File::OpenUpdate(dir / "f"));
  EXPECT_FALSE(RemoveFile(dir / "f"));
  EXPECT_TRUE(File::OpenRead(dir / "f"));
  ASSERT_TRUE(in->Close());
  auto out = File::Create(dir / "g");
  ASSERT_TRUE(out);
  EXPECT_FALSE(File::OpenUpdate(dir / "g"));
  ASSERT_TRUE(out->Close());
  EXPECT_TRUE(File::OpenUpdate(dir / "f"));
}
#endif

TEST(BufferedWriterTest, GathersWritesAndKeepsOrderAcrossTheBufferEdge) {
  testing::TempDir dir;
  testing::Bytes data = testing::RandomBytes(kWriteBufferSize * 2 + 12345, 5);
  {
    auto file = File::Create(dir / "out");
    BufferedWriter writer(*file);
    for (std::size_t at = 0; at < data.size(); at += 32000) {
      ASSERT_TRUE(writer.Append(data.data() + at, std::min<std::size_t>(32000, data.size() - at)));
    }
  }
  EXPECT_EQ(testing::ReadFile(dir / "out"), data);
}

TEST(FsTest, DirectoriesTimesAndTemporaryFiles) {
  testing::TempDir dir;
  EXPECT_TRUE(MakeDirectory(dir / "one"));
  EXPECT_EQ(MakeDirectory(dir / "two/levels").error().kind(), ErrorKind::kNotFound);
  EXPECT_TRUE((KindOf(dir / "one") == EntryKind::kDirectory));
  testing::WriteFile(dir / "f", "x");
  ASSERT_TRUE(SetFileTimes(dir / "f", 1000, 1700000000));
  EXPECT_EQ(StatusOf(dir / "f")->modifiedTime, 1700000000);
  EXPECT_TRUE(RemoveFile(dir / "f"));
  EXPECT_EQ(RemoveFile(dir / "f").error().kind(), ErrorKind::kNotFound);
  std::string temp;
  {
    auto t = TempFile::Create("MIME");
    ASSERT_TRUE(t);
    temp = t->Path();
    EXPECT_TRUE((KindOf(temp) != EntryKind::kNone));
  }
  EXPECT_FALSE((KindOf(temp) != EntryKind::kNone));
}

TEST(CopyFileTest, CopiesModeAndTimeAndReportsMissingSource) {
  testing::TempDir dir;
  testing::WriteFile(dir / "src", testing::RandomBytes(12001, 2));
  ::chmod((dir / "src").c_str(), 0750);
  testing::SetModifiedTime(dir / "src", 1600000000);
  EXPECT_TRUE(CopyFileInBlocks(dir / "src", dir / "dst").ok());
  EXPECT_EQ(testing::ReadFile(dir / "dst"), testing::ReadFile(dir / "src"));
  EXPECT_EQ(testing::ModifiedTime(dir / "dst"), 1600000000);
  EXPECT_EQ(CopyFileInBlocks(dir / "missing", dir / "dst2").error().kind(), ErrorKind::kNotFound);
  EXPECT_FALSE(testing::Exists(dir / "dst2"));
  EXPECT_FALSE(CopyFileInBlocks(dir / "src", dir / "no/dir/dst").ok());
}

TEST(DriveTest, FreeSpaceKindAndRootOfARealTmpfs) {
  if (!testing::IsRoot()) GTEST_SKIP() << "mounting a tmpfs needs root";
  testing::TempDir dir;
  std::string mount = dir / "disk";
  EXPECT_TRUE(MakeDirectory(mount).ok());
  if (testing::Run("mount -t tmpfs -o size=1m tmpfs " + mount) != 0) GTEST_SKIP() << "no tmpfs";
  SystemDrives drives;
  EXPECT_TRUE(MakeDirectory(mount + "/sub").ok());
  EXPECT_EQ(drives.GetAvailableSpace(mount), 1u << 20);
  // A directory that does not exist yet is asked about through its parent.
  EXPECT_EQ(drives.GetAvailableSpace(mount + "/sub/not/yet"), 1u << 20);
  EXPECT_EQ(drives.RootOf(mount + "/sub/not/yet"), mount);
  EXPECT_EQ(drives.GetDriveKind(mount), DriveKind::kFixed);  // memory is no removable disk
  EXPECT_EQ(drives.GetLargestFile(mount), kNoFileSizeLimit);
  testing::Run("umount " + mount);
}

TEST(DriveTest, LargestFileOfARealVfatThroughALoopDevice) {
  if (!testing::IsRoot()) GTEST_SKIP() << "mounting a vfat image needs root";
  testing::TempDir dir;
  std::string image = dir / "stick.img", mount = dir / "stick";
  EXPECT_TRUE(MakeDirectory(mount).ok());
  if (testing::Run("truncate -s 2M " + image + " && mkfs.vfat -F 12 " + image + " >/dev/null") !=
          0 ||
      testing::Run("mount -o loop " + image + " " + mount + " 2>/dev/null") != 0) {
    GTEST_SKIP() << "no vfat through a loop device here (mkfs.vfat, loop module)";
  }
  SystemDrives drives;
  EXPECT_EQ(drives.GetLargestFile(mount + "/not/yet"), 0xFFFFFFFFu);  // 4 GiB - 1
  EXPECT_EQ(drives.GetLargestFile(dir.path()), kNoFileSizeLimit);
  testing::Run("umount " + mount);
}

// Text in the character sets mail headers name, as UTF-8; bytes a set does
// not have, or a set the system does not know, give nothing.
TEST(CharsetTest, ConvertsKnownSetsAndRefusesWhatTheyLack) {
  EXPECT_EQ(ToUtf8("caf\xE9", "ISO-8859-1"), "caf\xC3\xA9");
  EXPECT_EQ(ToUtf8("\x80", "windows-1252"), "\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8("\xC3\xA9", "utf-8"), "\xC3\xA9");
  EXPECT_EQ(ToUtf8("\xFF", "UTF-8"), std::nullopt);
  EXPECT_EQ(ToUtf8("\xE9", "US-ASCII"), std::nullopt);
  EXPECT_EQ(ToUtf8("x", "x-unknown"), std::nullopt);
}

// The calendar of the stamps: leap days, the century, times before 1970;
// and the fixed clock of the tests.
// A value the system's code page cannot hold arrives whole (Windows keeps
// its narrow copy of the environment in that code page).
TEST(EnvironmentTest, ValuesAreReadAsUtf8) {
#ifdef _WIN32
  ::_wputenv_s(L"FENNIMAR_TEST_VALUE", L"p\u00e4ss \u0151");
#else
  ::setenv("FENNIMAR_TEST_VALUE", "p\xc3\xa4ss \xc5\x91", 1);
#endif
  EXPECT_EQ(EnvironmentVariable("FENNIMAR_TEST_VALUE"), "p\xc3\xa4ss \xc5\x91");
  EXPECT_EQ(EnvironmentVariable("FENNIMAR_TEST_UNSET"), std::nullopt);
}

TEST(ClockTest, BreaksDownMomentsAndKeepsAFixedWallClock) {
  struct Case {
    std::int64_t seconds;
    int year, month, day, hour, minute, second;
  };
  for (const Case& c :
       {Case{0, 1970, 1, 1, 0, 0, 0}, Case{951827696, 2000, 2, 29, 12, 34, 56},
        Case{-1, 1969, 12, 31, 23, 59, 59}, Case{4102444800, 2100, 1, 1, 0, 0, 0}}) {
    UtcTime t = UtcTimeOf(c.seconds);
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({c.year, c.month, c.day, c.hour, c.minute, c.second}))
        << c.seconds;
  }
  SetWallClock(951827696);
  EXPECT_EQ(WallSeconds(), 951827696);
  EXPECT_EQ(WallTimeUtc().day, 29);
  SetWallClock(std::nullopt);
  EXPECT_GT(WallSeconds(), 1700000000);
  EXPECT_FALSE(HostName().empty());
}

// A directory of the prefix whose lock is free is the remains of a run that
// ended; one whose lock is held belongs to a run still going.
TEST(LockedTempDirectoryTest, RemovesOnlyTheRemainsOfRunsThatEnded) {
  const std::string prefix = "fennimar-locktest-";
  auto live = LockedTempDirectory::Create(prefix);
  ASSERT_TRUE(live);
  std::string dead = JoinPath(DirectoryOf(live->Path()), prefix + "000000");
  ASSERT_TRUE(MakeDirectory(dead));
  testing::WriteFile(JoinPath(dead, "left"), "x");
  std::string next;
  {
    auto another = LockedTempDirectory::Create(prefix);
    ASSERT_TRUE(another);
    next = another->Path();
    EXPECT_EQ(KindOf(dead), EntryKind::kNone);
    EXPECT_EQ(KindOf(live->Path()), EntryKind::kDirectory);
    EXPECT_EQ(DirectoryLock(next).state(), DirectoryLock::State::kBusy);
  }
  EXPECT_EQ(KindOf(next), EntryKind::kNone);
}

TEST(DriveTest, LargeFreeSpaceIsNotCutTo32Bits) {
  SystemDrives drives;
  // The test machine's root file system is far larger than 4 GiB; the value
  // must agree with df's to within what other writers change meanwhile.
  std::uint64_t free = drives.GetAvailableSpace("/");
  EXPECT_GT(free, 0u);
#ifdef _WIN32
  EXPECT_EQ(drives.RootOf("/").substr(1), ":\\");  // the root of the working drive
#else
  EXPECT_EQ(drives.RootOf("/"), "/");
#endif
}

}  // namespace
}  // namespace fennimar
