#include "split/split_engine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "format/manifest.h"
#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/path_limits.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "platform/directories.h"
#include "platform/directory_lock.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/pending_file.h"
#include "scripted_ui.h"
#include "settings/settings_store.h"
#include "split/floppy_prompt.h"
#include "split/split_form.h"
#include "split_test_support.h"
#include "test_support.h"
#include "ui/progress_dialog.h"

namespace fennimar {
namespace {

using testing::Bytes;
using testing::ShownMessage;

class SplitEngineTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string out = dir / "out";
  testing::ScriptedUi ui;
  SettingsStore settings{dir / "FENNIMAR.INI"};
  testing::ScriptedDrives drives;
  testing::RecordingMailer mailer;
  SplitEngine engine{ui, settings, drives, &mailer};
  bool manifest = true;  // the dialog's manifest box
  int recovery = 0;      // the dialog's recovery files

  SplitEngineTest() { EXPECT_TRUE(MakeDirectory(out).ok()); }

  // A source of `size` random bytes with a known modification time.
  std::string Source(std::size_t size, const std::string& name = "REPORT.DOC") {
    std::string path = dir / name;
    testing::WriteFile(path, testing::RandomBytes(size, static_cast<std::uint32_t>(size)));
    testing::SetModifiedTime(path, 1700000000);
    return path;
  }

  // Scripts the split dialog: part size in bytes, target directory, filling, mail.
  void Dialog(std::int64_t chunkSize, bool fill = false, std::string mailTo = "") {
    ui.splitDialog = [=, this](SplitForm& form) {
      form.SetDirectory(out);
      form.ChooseOther();
      form.ChooseBytes();
      form.SetSizeText(std::to_string(chunkSize));
      form.SetFillToCapacity(fill);
      form.SetManifest(manifest);
      form.SetRecoveryCount(recovery);
      if (!mailTo.empty()) {
        form.SetEmail(true);
        form.SetMailTo(mailTo);
      }
      return form.Ok() == DialogResult::kOk;
    };
  }

  void Split(const std::string& source) {
    engine.Run({source, testing::FileSize(source)});
    EXPECT_EQ(ui.waitCursorDepth, 0);
    EXPECT_EQ(ui.progress, nullptr);
  }

  PartHeader Header(const std::string& part) {
    Bytes bytes = testing::ReadFile(part);
    HeaderBytes header{};
    EXPECT_GE(bytes.size(), kHeaderSize);
    std::copy_n(bytes.begin(), kHeaderSize, header.begin());
    return DecodeHeader(header);
  }

  // The data of all parts named, concatenated.
  Bytes Joined(int count) {
    Bytes all;
    for (int k = 0; k < count; ++k) {
      Bytes part = testing::ReadFile(Part(k));
      all.insert(all.end(), part.begin() + kHeaderSize, part.end());
    }
    return all;
  }

  // What coreutils' sha256sum says of the manifest in `directory`, once the
  // joined file is there: its exit status. Windows has no coreutils: there
  // each line is checked against the digest of its file.
  int Sha256sumCheck(const std::string& directory, int parts) {
    std::string joined = directory + testing::kSeparator + "REPORT.DOC";
    testing::WriteFile(joined, Joined(parts));
#ifdef _WIN32
    int status = 1;
    if (auto reading = ReadManifest(directory + testing::kSeparator + "REPORT.sha256");
        reading && reading->refusal == ManifestRefusal::kNone) {
      status = 0;
      for (const auto& entry : reading->manifest.entries) {
        Bytes bytes = testing::ReadFile(directory + testing::kSeparator + entry.name);
        if (ComputeSha256(bytes.data(), bytes.size()) != entry.digest) status = 1;
      }
    }
#else
    int status =
        std::system(("cd '" + directory + "' && sha256sum --quiet -c REPORT.sha256").c_str());
#endif
    EXPECT_TRUE(RemoveFile(joined).ok());
    return status;
  }
  std::string ManifestPath() const { return out + testing::kSeparator + "REPORT.sha256"; }

  std::string Part(int k, const std::string& stem = "REPORT") {
    char name[32];
    std::snprintf(name, sizeof name, "%s.Z%02d", stem.c_str(), k);
    return out + testing::kSeparator + name;
  }
};

TEST_F(SplitEngineTest, WritesThreePartsWithHeadersChecksumsAndCompleteStatus) {
  std::string source = Source(2001);
  Dialog(1086);
  Split(source);
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02", "REPORT.sha256"}));
  EXPECT_EQ(testing::FileSize(Part(0)), 1086);
  EXPECT_EQ(testing::FileSize(Part(2)), 87);
  for (int k = 0; k < 3; ++k) {
    PartHeader h = Header(Part(k));
    EXPECT_EQ(h.partCount, 3);
    EXPECT_EQ(h.partIndex, k);
    EXPECT_EQ(h.SourceName(), "REPORT.DOC");
    EXPECT_EQ(h.modifiedTime, 1700000000);
    EXPECT_EQ(h.totalSize, 2001);
    EXPECT_EQ(h.dataLength, k < 2 ? 1000 : 1);
    Bytes part = testing::ReadFile(Part(k));
    EXPECT_EQ(h.checksum,
              ComputePartChecksum(part.data() + kHeaderSize, part.size() - kHeaderSize));
  }
  EXPECT_EQ(Joined(3), testing::ReadFile(source));
  EXPECT_EQ(ui.Line(InfoLine::kDirectory), " Directory: " + out);
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size: 2001");
  EXPECT_EQ(ui.Line(InfoLine::kTarget), "Dividing " + source + " on  3 parts");
  EXPECT_EQ(ui.statusHistory,
            (std::vector<std::string>{" Writing: " + Part(0), " Writing: " + Part(1),
                                      " Writing: " + Part(2), " Writing: " + ManifestPath(),
                                      " Complete"}));
  EXPECT_EQ(ui.percents.back(), 100);
  EXPECT_EQ(ui.progressDialogsShown, 1);
}

TEST_F(SplitEngineTest, PartCountsAtTheLimits) {
  std::string source = Source(2000);
  Dialog(1086);
  Split(source);
  EXPECT_EQ(testing::ListDir(out).size(), 3u);
  EXPECT_EQ(Header(Part(1)).partCount, 2);
  EXPECT_EQ(ui.Line(InfoLine::kTarget), "Dividing " + source + " on  2 parts");

  std::string hundred = Source(100000, "H.BIN");
  Split(hundred);
  EXPECT_TRUE(testing::Exists(Part(99, "H")));
  EXPECT_EQ(Header(Part(99, "H")).partCount, 100);
}

TEST_F(SplitEngineTest, RefusalsBeforeAnythingIsWritten) {
  struct Case {
    std::size_t size;
    std::int64_t chunk;
    const char* text;
    bool floppy = false;
  } cases[] = {
      {2000, 1085,
       "Division size should be greater than 1000 bytes\nThe smallest part size is 1086 bytes."},
      {2000, 2086, "Chunk size greater then file size"},
      {100001, 1086,
       "File to big (more than 100 parts)\nThe smallest part size that fits is 1087 bytes."},
      // A file too small to split reaches the dialog and is refused after
      // OK, also where a floppy's size would take it whole.
      {0, 1086, "Chunk size greater then file size"},
      {1000, 1086, "Chunk size greater then file size"},
      {1000, 0, "Chunk size greater then file size", true},
  };
  for (const auto& c : cases) {
    testing::ScriptedUi fresh;
    SplitEngine e(fresh, settings, drives, &mailer);
    Dialog(c.chunk);
    int dialogs = 0;
    fresh.splitDialog = [&](SplitForm& form) {
      ++dialogs;
      if (!c.floppy) return ui.splitDialog(form);
      form.SetDirectory(out);
      form.Choose2HD();
      return form.Ok() == DialogResult::kOk;
    };
    std::string source = Source(c.size);
    e.Run({source, testing::FileSize(source)});
    EXPECT_EQ(fresh.messages,
              (std::vector<ShownMessage>{{c.text, "Split", MessageKind::kOkWarning}}));
    EXPECT_EQ(dialogs, 1) << c.text;
    EXPECT_TRUE(testing::ListDir(out).empty()) << c.text;
    EXPECT_EQ(fresh.progressDialogsShown, 0);
  }
}

TEST_F(SplitEngineTest, NoSelectionLongPathMissingSourceAndCancel) {
  engine.Run({"", 0});
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"File not selected, select file first", "Split",
                                              MessageKind::kOkWarning}));
  EXPECT_EQ(ui.Status(), " ");

  Dialog(1086);
  std::string longPath = dir / std::string(kMaxSelectedPathLength - dir.path().size(), 'L');
  engine.Run({longPath, 5000});
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"File path too long\n" + longPath, longPath, MessageKind::kOkWarning}));

  engine.Run({dir / "MISSING.DOC", 5000});
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{dir / "MISSING.DOC" + "\n" + testing::NoSuchFileText(),
                          "Can not open file", MessageKind::kOkWarning}));

  // A cancelled dialog leaves every line as the last command left it.
  ui.splitDialog = nullptr;  // Cancel
  std::string source = Source(5000);
  ui.lines = {" Working directory:", " File size: 5000", " Target File: " + source, " Aborted"};
  auto before = ui.lines;
  Split(source);
  EXPECT_EQ(ui.lines, before);
  EXPECT_TRUE(testing::ListDir(out).empty());
}

TEST_F(SplitEngineTest, StopConfirmedDuringSecondPartLeavesOnlyTheFirst) {
  std::string source = Source(200000);
  Dialog(100086);  // D = 100000: 4 blocks per part
  ui.StopAtPump(5);
  EXPECT_EQ(engine.Run({source, 200000}), SplitOutcome::kStopped);
  EXPECT_EQ(ui.Status(), " Aborted");
  EXPECT_EQ(testing::FileSize(Part(0)), 100086);
  // The part being written never takes its name.
  EXPECT_EQ(testing::ListDir(out), std::vector<std::string>{"REPORT.Z00"});
  EXPECT_EQ(ui.messages.back().text, "Do you really want stop?");
}

TEST_F(SplitEngineTest, SourceNamedLikeOneOfItsPartsIsRefusedAndKept) {
  for (const std::string name : {"DATA.Z00", "LOG.Z01"}) {
    std::string source = Source(5000, name);
    Bytes before = testing::ReadFile(source);
    std::vector<std::string> listing = testing::ListDir(dir.path());
    ui.splitDialog = [&](SplitForm& form) {
      form.SetDirectory(dir.path());  // the source's own directory
      form.ChooseOther();
      form.ChooseBytes();
      form.SetSizeText("2086");
      return form.Ok() == DialogResult::kOk;
    };
    EXPECT_EQ(engine.Run({source, 5000}), SplitOutcome::kFailed);
    EXPECT_EQ(ui.messages.back(),
              (ShownMessage{"A part would replace the file being split\n" + source, "Split",
                            MessageKind::kOkWarning}));
    EXPECT_EQ(testing::ReadFile(source), before);
    EXPECT_EQ(testing::ListDir(dir.path()), listing);
  }
}

TEST_F(SplitEngineTest, AnotherFilesPartsAreReplacedOnlyAfterYesAndLeaveNoHigherPart) {
  Dialog(1086);
  Split(Source(6000, "REPORT.OLD"));
  std::vector<Bytes> old;
  for (int k = 0; k < 6; ++k) old.push_back(testing::ReadFile(Part(k)));
  std::string source = Source(3000);  // same stem, three parts
  {
    DirectoryLock other(out);  // parts still being written are not asked about
    EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kFailed);
    EXPECT_EQ(ui.messages.back().text, std::string(kDirectoryBusyText) + "\n" + out);
    ui.messages.clear();
  }

  ui.answers = {Answer::kNo};
  EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kCancelled);
  const ShownMessage question{
      "Parts of another file (REPORT.OLD) are in this directory; replace them?", "Split",
      MessageKind::kYesNoDefaultNo};
  EXPECT_EQ(ui.messages, std::vector<ShownMessage>{question});
  for (int k = 0; k < 6; ++k) EXPECT_EQ(testing::ReadFile(Part(k)), old[k]) << k;
  EXPECT_EQ(testing::ListDir(out).size(), 7u);

  ui.answers = {Answer::kYes};
  EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kComplete);
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{question, question}));  // once per file
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02", "REPORT.sha256"}));
  EXPECT_EQ(Joined(3), testing::ReadFile(source));
}

TEST_F(SplitEngineTest, ReSplitIntoFewerPartsAndAFileUnderAPartsName) {
  std::string source = Source(6000);
  Dialog(1086);
  Split(source);
  // The same unchanged file: replaced without a question, old higher parts gone.
  Dialog(2086);
  EXPECT_EQ(engine.Run({source, 6000}), SplitOutcome::kComplete);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02", "REPORT.sha256"}));
  EXPECT_EQ(Joined(3), testing::ReadFile(source));

  // A file that is no part is asked about under its own name.
  testing::WriteFile(Part(1), std::string("notes"));
  ui.answers = {Answer::kNo};
  EXPECT_EQ(engine.Run({source, 6000}), SplitOutcome::kCancelled);
  EXPECT_EQ(ui.messages.back().text,
            "Parts of another file (REPORT.Z01) are in this directory; replace them?");
  EXPECT_EQ(testing::ReadText(Part(1)), "notes");
}

TEST_F(SplitEngineTest, OddFilesAndNamesAreRefusedOrReplacedNeverWrittenThrough) {
  std::string source = Source(5000);
  Dialog(2086);
  // A symbolic link under a part's name is replaced; what it leads to is kept.
  // A FIFO under a part's temporary name does not stop the split.
  testing::WriteFile(dir / "victim", std::string("precious"));
  FENNIMAR_MAKE_LINK(dir / "victim", Part(0));
  FENNIMAR_MAKE_FIFO(Part(1) + std::string(kPendingSuffix));
  EXPECT_EQ(engine.Run({source, 5000}), SplitOutcome::kComplete);
  EXPECT_EQ(testing::ReadText(dir / "victim"), "precious");
  EXPECT_EQ(KindOf(Part(0), Links::kTakeAsIs), EntryKind::kRegular);

  // A FIFO under a part's name, or as the source, is refused without waiting.
  ::unlink(Part(1).c_str());
  FENNIMAR_MAKE_FIFO(Part(1));
  EXPECT_EQ(engine.Run({source, 5000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages.back(), (ShownMessage{Part(1) + "\nNot a regular file", "Can not open",
                                              MessageKind::kOkWarning}));
  std::string fifo = dir / "PIPE.DOC";
  FENNIMAR_MAKE_FIFO(fifo);
  EXPECT_EQ(engine.Run({fifo, 5000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages.back(), (ShownMessage{fifo + "\nNot a regular file", "Can not open file",
                                              MessageKind::kOkWarning}));
}

TEST_F(SplitEngineTest, UnjoinableNamesAndABusyDirectoryAreRefusedBeforeAnythingIsWritten) {
  std::string source = Source(5000);
  Dialog(2086);
  // A name the joiner would refuse is refused before anything is written;
  // so is a directory another run is writing into.
  testing::TempDir empty;
  out = empty.path();
#ifndef _WIN32  // Windows itself takes neither in a file's name
  std::string tab = Source(5000, "TAB\tNAME.DOC");
  EXPECT_EQ(engine.Run({tab, 5000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages.back().text,
            "File name has control characters, its parts could not be joined\n" + tab);
  std::string drive = Source(5000, "BACKUP:");
  EXPECT_EQ(engine.Run({drive, 5000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages.back().text,
            "File name ends in ':' or '\\', its parts could not be joined\n" + drive);
#endif
  DirectoryLock other(out);
  EXPECT_EQ(engine.Run({source, 5000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages.back().text, std::string(kDirectoryBusyText) + "\n" + out);
  EXPECT_TRUE(testing::ListDir(out).empty());
}

TEST_F(SplitEngineTest, StopAnsweredNoGoesOn) {
  std::string source = Source(200000);
  Dialog(100086);
  ui.StopAtPump(2, Answer::kNo);
  Split(source);
  EXPECT_EQ(ui.Status(), " Complete");
  EXPECT_EQ(Joined(2), testing::ReadFile(source));
}

TEST_F(SplitEngineTest, SourceCutShortWhileSplittingDeletesTheIncompletePart) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows lets no other program cut short a file open here "
                  "(FileTest.OpenFilesAreKeptFromOtherWritersOnWindows)";
#endif
  std::string source = Source(200000);
  Dialog(100086);
  // Another program truncates the source while part 00 is copied, before
  // part 01 is read.
  ui.onPump = [&](int pump) {
    if (pump == 4) {
      testing::SetFileSize(source, 150000);
    }
  };
  Split(source);
  EXPECT_EQ(ui.messages,
            (std::vector<ShownMessage>{
                {"Can not read file\n" + source + "\nThe file is shorter than when it was opened",
                 source, MessageKind::kOkWarning}}));
  EXPECT_EQ(testing::ListDir(out), (std::vector<std::string>{"REPORT.Z00"}));
  EXPECT_EQ(ui.Status(), " Writing: " + Part(1));
}

TEST_F(SplitEngineTest, NotEnoughSpaceOnFixedDisk) {
  std::string source = Source(5000);
  Dialog(2086);
  drives.freeSpaceSequence = {1u << 20, 1999};
  Split(source);
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"Not enough hard disk space in target directory\n" + out, "Split",
                          MessageKind::kOkWarning}));
  EXPECT_EQ(testing::ListDir(out), (std::vector<std::string>{"REPORT.Z00"}));
}

TEST_F(SplitEngineTest, UnwritablePartIsReported) {
  std::string source = Source(5000);
  Dialog(2086);
  EXPECT_TRUE(MakeDirectory(Part(1)).ok());  // a directory where part 01 must go
  Split(source);
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{Part(1) + "\nIs a directory", "Can not open", MessageKind::kOkWarning}));
  EXPECT_EQ(ui.Status(), " Writing: " + Part(0));
}

// A sparse source of `size` bytes: only what the split reads of it costs time.
std::string SparseSource(const testing::TempDir& dir, const std::string& name, std::int64_t size) {
  std::string source = dir / name;
  testing::WriteFile(source, "x");
  testing::SetFileSize(source, size);
  return source;
}

TEST_F(SplitEngineTest, LargeSourceMakesALargeSetWithItsLengthNameAndLateTime) {
  // A 70-byte name, a time after 2038 and 3 GiB; stopped once the header of
  // part 00, complete but for the checksum, has reached the file.
  std::string name = std::string(66, 'N') + ".ISO";
  std::string source = SparseSource(dir, name, std::int64_t{3} << 30);
  testing::SetModifiedTime(source, 2208988800);  // 2040-01-01
  Dialog(kMaxPartSize);
  PartHeader h;
  ui.onPump = [&](int pump) {
    if (pump < 10) return;
    h = Header(
        PendingFile::PendingPathOf(out + testing::kSeparator + std::string(66, 'N') + ".Z00"));
    ui.progress->StopConfirmed();
  };
  Split(source);
  EXPECT_TRUE(h.IsLargeSet());
  EXPECT_EQ(h.totalSize, -1);
  EXPECT_EQ(h.SourceSize(), std::int64_t{3} << 30);
  EXPECT_EQ(h.SourceName(), std::string(61, 'N'));
  EXPECT_EQ(h.partCount, 2);
  EXPECT_EQ(h.dataLength, kMaxPartData);
  EXPECT_EQ(h.modifiedTime, static_cast<std::int32_t>(0x83AA7E80u));
  EXPECT_EQ(h.ModifiedTime(), 2208988800);
  EXPECT_EQ(ui.Line(InfoLine::kSize), " File size: 3221225472");
}

TEST_F(SplitEngineTest, PartSizeOf2GiBIsRefusedBeforeAnythingIsWritten) {
  std::string source = SparseSource(dir, "BIG.ISO", std::int64_t{5} << 30);
  Dialog(kMaxPartSize + 1);
  Split(source);
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Chunk size must be smaller than 2 GB", "Split",
                                              MessageKind::kOkWarning}));
  EXPECT_TRUE(testing::ListDir(out).empty());
}

// Sets of sources under 2 GiB stay what the released split wrote.
TEST_F(SplitEngineTest, SmallSetsAreByteForByteWhatTheReleaseWrote) {
  const std::string release = FENNIMAR_TESTS_DIR "/data/release_set";
  for (const auto& name : testing::ListDir(release + testing::kSeparator + "source")) {
    testing::WriteFile(dir / name,
                       testing::ReadFile(release + testing::kSeparator + "source/" + name));
    testing::SetModifiedTime(dir / name, 1234567890);
    Dialog(1086);
    Split(dir / name);
  }
  EXPECT_TRUE(ui.messages.empty());
  // The manifests come beside the parts; the parts are what they were.
  auto written = testing::ListDir(out);
  std::erase_if(written, [](const std::string& name) { return name.ends_with(".sha256"); });
  ASSERT_EQ(written, testing::ListDir(release + testing::kSeparator + "parts"));
  for (const auto& part : written) {
    EXPECT_EQ(testing::ReadFile(out + testing::kSeparator + part),
              testing::ReadFile(release + testing::kSeparator + "parts/" + part))
        << part;
  }
}

TEST_F(SplitEngineTest, MailerFailingOnThirdOfFivePartsStopsTheSet) {
  settings.WriteSetting("FENNIMAR", "MyAddress", "me@example.org");
  settings.WriteSetting("FENNIMAR", "SMTPHost", "127.0.0.1");
  std::string source = Source(5000);
  Dialog(1086, false, "you@example.org");
  mailer.failAtIndex = 2;
  Split(source);
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02"}));
  ASSERT_EQ(mailer.calls.size(), 3u);
  EXPECT_EQ(mailer.calls[1].partPath, Part(1));
  EXPECT_EQ(mailer.calls[1].mailTo, "you@example.org");
  EXPECT_EQ(mailer.calls[1].sourceName, "REPORT.DOC");
  EXPECT_EQ(mailer.calls[1].count, 5);
  EXPECT_EQ(ui.Status(), " Mail failed");

  mailer.failAtIndex = -1;
  Split(source);
  EXPECT_EQ(mailer.calls.size(), 8u);
  EXPECT_EQ(ui.Status(), " Mailed");

  // Stop while the server is waited for: the set ends as stopped, not failed.
  mailer.waitAtIndex = 1;
  ui.onPump = [&](int) {
    if (mailer.calls.size() == 10 && !ui.progress->stopRequested()) {
      ui.answers.push_front(Answer::kYes);
      ui.progress->Stop();
    }
  };
  Split(source);
  EXPECT_EQ(mailer.calls.size(), 10u);
  EXPECT_EQ(ui.Status(), " Aborted");
}

class RemovableSplitTest : public SplitEngineTest {
 protected:
  // The prompts' sizes below are those of the parts and joiners alone.
  RemovableSplitTest() {
    drives.kind = DriveKind::kRemovable;
    manifest = false;
  }
  // The user presses OK in every prompt; records the required bytes asked.
  std::vector<std::int64_t> required;
  void AcceptPrompts() {
    ui.floppyPrompt = [this](FloppyPrompt& prompt) {
      required.push_back(prompt.requiredBytes());
      return prompt.Ok() == DialogResult::kOk;
    };
  }
};

TEST_F(RemovableSplitTest, PromptsForEveryPartWithItsDataLength) {
  std::string source = Source(2500);
  Dialog(1086);
  AcceptPrompts();
  Split(source);
  EXPECT_EQ(required, (std::vector<std::int64_t>{1000, 1000, 500}));
  EXPECT_EQ(ui.Status(), " Complete");
  EXPECT_EQ(ui.Line(InfoLine::kTarget), "Dividing " + source + " on  3 parts");
}

// Not a slip: the split asks this under the caption "Merge", as it always has.
TEST_F(RemovableSplitTest, MissingDirectoryOnTheDiskIsAskedUnderTheCaptionMerge) {
  std::string source = Source(2500);
  Dialog(1086);
  // The disk put in holds no such directory.
  ui.floppyPrompt = [&](FloppyPrompt&) { return ::rmdir(out.c_str()) == 0; };
  ui.answers = {Answer::kNo};
  Split(source);
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{
                             {"Directory does not exist, create?", "Merge", MessageKind::kYesNo}}));
  EXPECT_FALSE(testing::Exists(out));
}

TEST_F(RemovableSplitTest, CancelInThePromptAbortsAndKeepsEarlierParts) {
  std::string source = Source(2500);
  Dialog(1086);
  int prompts = 0;
  ui.floppyPrompt = [&](FloppyPrompt&) { return ++prompts < 2; };
  Split(source);
  EXPECT_EQ(ui.Status(), " Split Aborted");
  EXPECT_EQ(testing::ListDir(out), (std::vector<std::string>{"REPORT.Z00"}));
}

TEST_F(RemovableSplitTest, AnotherFilesPartsAreAskedAboutOnTheDiskInTheDrive) {
  drives.kind = DriveKind::kFixed;
  Dialog(1086);
  Split(Source(6000, "REPORT.OLD"));
  drives.kind = DriveKind::kRemovable;
  int prompts = 0;
  ui.floppyPrompt = [&](FloppyPrompt& prompt) {
    EXPECT_EQ(ui.messages.size(), prompts == 0 ? 0u : 1u);  // asked once the disk is in
    ++prompts;
    return prompt.Ok() == DialogResult::kOk;
  };
  ui.answers = {Answer::kYes};
  std::string source = Source(2500);
  EXPECT_EQ(engine.Run({source, 2500}), SplitOutcome::kComplete);
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02"}));
}

TEST_F(RemovableSplitTest, PromptRefusesADiskWithTooLittleSpace) {
  testing::ScriptedUi promptUi;
  drives.freeSpace = 999;
  FloppyPrompt prompt(promptUi, drives, out + testing::kSeparator + "REPORT.Z00", 1000);
  EXPECT_EQ(prompt.Ok(), DialogResult::kStayOpen);
  EXPECT_EQ(promptUi.messages.back(),
            (ShownMessage{"Not enough space on disk", "Fennimar", MessageKind::kOkWarning}));
  drives.freeSpace = 1000;
  EXPECT_EQ(prompt.Ok(), DialogResult::kOk);
  drives.freeSpace = std::uint64_t{5} << 30;  // more than 4 GiB
  EXPECT_EQ(prompt.Ok(), DialogResult::kOk);
}

TEST_F(RemovableSplitTest, FillingWritesMorePartsThanPlannedAndFixesTheCountOfPartZero) {
  std::string source = Source(3000);
  Dialog(1086, true);  // planned: 3 parts of 1,000
  // Each disk has room for 750 data bytes: four parts.
  drives.freeSpace = 836;
  AcceptPrompts();
  ui.answers = {Answer::kYes};
  Split(source);
  EXPECT_EQ(required, (std::vector<std::int64_t>{87, 87, 87, 87}));
  EXPECT_EQ(ui.Line(InfoLine::kTarget), "Dividing " + source);
  ASSERT_EQ(testing::ListDir(out).size(), 4u);
  EXPECT_EQ(Header(Part(0)).partCount, 4);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(Header(Part(k)).partCount, 3);
  EXPECT_EQ(Header(Part(3)).dataLength, 750);
  EXPECT_EQ(ui.messages.back().text,
            "Fennimar needs to update header on the first floppy,\nplease insert first "
            "floppy\nContinue?");
  EXPECT_EQ(ui.Status(), " Complete");
  EXPECT_EQ(Joined(4), testing::ReadFile(source));
}

TEST_F(RemovableSplitTest, FillingCapsEachPartAtTheLargestFileOfTheDisk) {
  std::string source = Source(3000);
  Dialog(2086, true);  // planned: 2 parts of 2,000
  drives.freeSpace = std::uint64_t{1} << 40;
  drives.largestFile = 1086;  // the disk's file system holds 1,000 data bytes per file
  AcceptPrompts();
  ui.answers = {Answer::kYes};
  Split(source);
  ASSERT_EQ(testing::ListDir(out).size(), 3u);
  EXPECT_EQ(testing::FileSize(Part(1)), 1086);
  EXPECT_EQ(Header(Part(0)).partCount, 3);
  EXPECT_EQ(Joined(3), testing::ReadFile(source));
}

TEST_F(RemovableSplitTest, DecliningTheFixUpKeepsTheWritingStatus) {
  std::string source = Source(3000);
  Dialog(1086, true);
  drives.freeSpace = 836;
  AcceptPrompts();
  ui.answers = {Answer::kNo};
  Split(source);
  EXPECT_EQ(Header(Part(0)).partCount, 3);
  EXPECT_EQ(ui.Status(), " Writing: " + Part(3));
}

TEST_F(RemovableSplitTest, FillingStopsBeforeAHundredAndFirstPart) {
  std::string source = Source(101 * 1000);
  Dialog(50086, true);
  drives.freeSpace = 1086;
  AcceptPrompts();
  ui.answers = {};
  Split(source);
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"File to big (more than 100 parts)", "Split", MessageKind::kOkWarning}));
  EXPECT_EQ(testing::ListDir(out).size(), 100u);
}

// The Linux and the Windows joiner in `programs`, of the sizes given (0: none).
void PutJoiners(SettingsStore& settings, const std::string& programs, std::size_t linuxSize,
                std::size_t windowsSize) {
  for (auto [name, size] : {std::pair{"joinex", linuxSize}, std::pair{"joinex.exe", windowsSize}}) {
    if (size == 0) continue;
    testing::WriteFile(programs + testing::kSeparator + name, testing::RandomBytes(size, 9));
    ::chmod((programs + testing::kSeparator + name).c_str(), 0755);
  }
  settings.WriteSetting("FENNIMAR", "FENNIMAR_PATH", programs);
}

TEST_F(RemovableSplitTest, CopiesBothJoinersToTheDiskOfTheLastPart) {
  testing::TempDir programs, disk;
  PutJoiners(settings, programs.path(), 12345, 678);
  drives.root = disk.path();
  std::string source = Source(2500);
  Dialog(1086);
  AcceptPrompts();
  Split(source);
  EXPECT_EQ(required, (std::vector<std::int64_t>{1000, 1000, 500 + 12345 + 678}));
  for (const char* name : {"joinex", "joinex.exe"}) {
    EXPECT_EQ(testing::ReadFile(disk / name), testing::ReadFile(programs / name)) << name;
    EXPECT_EQ(::access((disk / name).c_str(), X_OK), 0) << name;
  }
}

TEST_F(RemovableSplitTest, FillingLeavesTheLastDiskRoomForTheJoiner) {
  testing::TempDir programs, disk;
  PutJoiners(settings, programs.path(), 0, 300);
  drives.root = disk.path();
  drives.freeSpace = 2086;  // 2,000 data bytes a disk
  std::string source = Source(3900);
  Dialog(1086, true);
  AcceptPrompts();
  ui.answers = {Answer::kYes};
  Split(source);
  // The rest after part 00 (1,900) fits a disk but not beside the joiner.
  ASSERT_EQ(testing::ListDir(out).size(), 3u);
  EXPECT_EQ(Header(Part(1)).dataLength, 1700);
  EXPECT_EQ(Header(Part(2)).dataLength, 200);
  EXPECT_EQ(testing::ListDir(disk.path()), (std::vector<std::string>{"joinex.exe"}));
}

TEST_F(RemovableSplitTest, AnEmptyJoinerDirectoryCopiesNoJoiner) {
  testing::TempDir disk;
  settings.WriteSetting("FENNIMAR", "FENNIMAR_PATH", "");
  drives.root = disk.path();
  Dialog(1086);
  AcceptPrompts();
  Split(Source(2500));
  EXPECT_EQ(required.back(), 500);
  EXPECT_TRUE(testing::ListDir(disk.path()).empty());
}

TEST_F(RemovableSplitTest, MissingDirectoryIsCreatedOnRequest) {
  out = dir / "new";
  std::string source = Source(2500);
  Dialog(1086);
  ui.splitDialog = [&](SplitForm& form) {
    form.SetDirectory(out);
    form.ChooseOther();
    form.ChooseBytes();
    form.SetSizeText("1086");
    form.SetFillToCapacity(false);
    ui.answers.push_back(Answer::kYes);  // the dialog's own question
    return form.Ok() == DialogResult::kOk;
  };
  AcceptPrompts();
  Split(source);
  EXPECT_EQ(testing::ListDir(out).size(), 4u);  // and the manifest
}

// A real small file system: the part that does not fit is found short,
// deleted and reported.
TEST_F(SplitEngineTest, DiskFullOnARealTmpfsDeletesTheShortPart) {
  if (!testing::IsRoot()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string mount = dir / "small";
  EXPECT_TRUE(MakeDirectory(mount).ok());
  if (testing::Run("mount -t tmpfs -o size=64k tmpfs " + mount) != 0) {
    GTEST_SKIP() << "tmpfs cannot be mounted here";
  }
  out = mount;
  SystemDrives real;
  // A scripted free-space answer lets the split start; the disk then fills.
  std::string source = Source(200000);
  Dialog(50086);
  SplitEngine e(ui, settings, drives, nullptr);
  e.Run({source, testing::FileSize(source)});
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Disk write error or disk full!!!\n" + mount +
                                                  testing::kSeparator + "REPORT.Z01",
                                              "Split ABORTED", MessageKind::kOkWarning}));
  std::vector<std::string> left = testing::ListDir(mount);
  EXPECT_EQ(left, (std::vector<std::string>{"REPORT.Z00"}));
  EXPECT_EQ(testing::FileSize(Part(0)), 50086);
  EXPECT_LT(real.GetAvailableSpace(mount), 50086u);
  testing::Run("umount " + mount);
}

TEST_F(SplitEngineTest, IndependentReaderRebuildsTheSource) {
  FENNIMAR_NEEDS_PYTHON();
  std::string source = Source(123457, "DATA.TAR.GZ");
  Dialog(20086);
  Split(source);
  std::string rebuilt = dir / "rebuilt";
  int status = testing::Run("/usr/bin/python3 " FENNIMAR_TESTS_DIR "/part_reader.py " + out +
                            "/DATA.Z00 " + rebuilt + " > " + dir / "reader.log 2>&1");
  ASSERT_EQ(status, 0) << testing::ReadText(dir / "reader.log");
  EXPECT_EQ(testing::ReadFile(rebuilt), testing::ReadFile(source));
  EXPECT_EQ(testing::ReadText(dir / "reader.log"), "DATA.TAR.GZ 123457 7 1700000000\n");
}

}  // namespace
}  // namespace fennimar

namespace fennimar {
namespace {

// The manifest lists each part and the joined file, and coreutils agree.
TEST_F(SplitEngineTest, ManifestIsWhatSha256sumChecks) {
  std::string source = Source(2500);
  Dialog(1086);
  Split(source);
  std::string text = testing::ReadText(ManifestPath());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  EXPECT_NE(text.find("  REPORT.Z02\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("  REPORT.DOC\n"));
  EXPECT_EQ(Sha256sumCheck(out, 3), 0);
}

// Without a manifest, one an earlier split of the same file left goes (it
// would contradict the new parts); another file's stays.
TEST_F(SplitEngineTest, NoManifestRemovesTheSameFilesOldOne) {
  std::string source = Source(2500);
  Dialog(1086);
  Split(source);
  manifest = false;
  Dialog(2086);
  Split(source);
  EXPECT_EQ(testing::ListDir(out), (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01"}));
  testing::WriteFile(ManifestPath(), std::string(64, 'a') + "  OTHER.DOC\n");
  Split(source);
  EXPECT_TRUE(testing::Exists(ManifestPath()));
}

TEST_F(SplitEngineTest, AFileUnderTheManifestsNameIsReplacedOnlyOnYes) {
  std::string source = Source(2500);
  testing::WriteFile(ManifestPath(), std::string("notes\n"));
  Dialog(1086);
  ui.answers = {Answer::kNo};
  EXPECT_EQ(engine.Run({source, 2500}), SplitOutcome::kCancelled);
  EXPECT_EQ(ui.messages.back(),
            (ShownMessage{"A file (REPORT.sha256) that is not this split's manifest is in this "
                          "directory; replace it?",
                          "Split", MessageKind::kYesNoDefaultNo}));
  EXPECT_EQ(testing::ReadText(ManifestPath()), "notes\n");
  EXPECT_EQ(testing::ListDir(out), (std::vector<std::string>{"REPORT.sha256"}));
  ui.answers = {Answer::kYes};
  EXPECT_EQ(engine.Run({source, 2500}), SplitOutcome::kComplete);
  EXPECT_EQ(Sha256sumCheck(out, 3), 0);
}

// The manifest follows the parts onto the last disk, whose prompt asks room
// for it; after disks filled to their space, part 00's digest is the one
// with its count put right.
TEST_F(RemovableSplitTest, ManifestGoesOntoTheLastDiskAndKnowsTheFixedCount) {
  manifest = true;
  std::string source = Source(3000);
  Dialog(1086);
  AcceptPrompts();
  Split(source);
  ASSERT_EQ(required.size(), 3u);
  EXPECT_GT(required.back(), 1000);
  EXPECT_EQ(Sha256sumCheck(out, 3), 0);

  Dialog(1086, true);
  drives.freeSpace = 1836;  // two parts of the three planned
  ui.answers = {Answer::kYes};
  Split(source);
  ASSERT_EQ(Header(Part(0)).partCount, 2);
  EXPECT_EQ(Sha256sumCheck(out, 2), 0);
}

// Each recovery file goes onto a disk of its own after the parts' disks,
// computed while the parts passed: the disks copied into one directory
// rebuild two lost parts byte for byte. Another set's file under a recovery
// file's name on its disk is replaced only on Yes.
TEST_F(RemovableSplitTest, RecoveryFilesFollowOnDisksOfTheirOwnAndRebuildLostParts) {
  manifest = true;
  recovery = 2;
  std::string source = Source(3000);
  Dialog(1086);
  std::string all = dir / "all";
  testing::MakeDir(all);
  std::vector<std::vector<std::string>> disks;  // the files on each disk taken out
  auto takeOut = [&] {
    disks.push_back(testing::ListDir(out));
    for (const auto& name : disks.back()) {
      std::string from = out + testing::kSeparator + name;
      EXPECT_TRUE(RenameFile(from, all + testing::kSeparator + name).ok());
    }
  };
  ui.floppyPrompt = [&](FloppyPrompt& prompt) {
    takeOut();
    if (disks.size() == 5)
      testing::WriteFile(out + testing::kSeparator + "REPORT.R01", "no recovery file");
    return prompt.Ok() == DialogResult::kOk;
  };
  ui.answers = {Answer::kYes};
  EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kComplete);
  takeOut();
  using Names = std::vector<std::string>;
  EXPECT_EQ(disks, (std::vector<Names>{{},
                                       {"REPORT.Z00"},
                                       {"REPORT.Z01"},
                                       {"REPORT.Z02", "REPORT.sha256"},
                                       {"REPORT.R00"},
                                       {"REPORT.R01"}}));
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{
                             {"A file (REPORT.R01) that is not this split's recovery file is in "
                              "this directory; replace it?",
                              "Split", MessageKind::kYesNoDefaultNo}}));

  EXPECT_TRUE(RemoveFile(all + testing::kSeparator + "REPORT.Z01").ok());
  EXPECT_TRUE(RemoveFile(all + testing::kSeparator + "REPORT.Z02").ok());
  testing::ScriptedDrives fixed;
  std::string joined = dir / "joined";
  testing::MakeDir(joined);
  ui.mergeDialog = [&](MergeForm& form) {
    form.SetField(joined);
    return form.Ok() == DialogResult::kOk;
  };
  MergeEngine merge(ui, settings, fixed);
  EXPECT_EQ(merge.Run({all + testing::kSeparator + "REPORT.Z00", 0}), MergeOutcome::kComplete);
  EXPECT_EQ(testing::ReadFile(joined + testing::kSeparator + "REPORT.DOC"),
            testing::ReadFile(source));
}

// The recovery files' size is not known before the last disk is filled, and
// a set mailed from disks would not have them in the drive together.
TEST_F(RemovableSplitTest, RecoveryFilesOnFilledDisksOrMailedFromDisksAreRefusedBeforeAnyPrompt) {
  recovery = 1;
  std::string source = Source(3000);
  Dialog(1086, true);
  EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kFailed);
  settings.WriteSetting("FENNIMAR", "MyAddress", "me@example.org");
  settings.WriteSetting("FENNIMAR", "SMTPHost", "127.0.0.1");
  Dialog(1086, false, "bob@example.org");
  EXPECT_EQ(engine.Run({source, 3000}), SplitOutcome::kFailed);
  EXPECT_EQ(ui.messages,
            (std::vector<ShownMessage>{
                {"Recovery files cannot be written to disks filled to their free space yet.\n"
                 "Choose a part size, or split without them.",
                 "Split", MessageKind::kOkWarning},
                {"Recovery files cannot be mailed from removable disks yet.\nSplit without them.",
                 "Split", MessageKind::kOkWarning}}));
  EXPECT_EQ(ui.floppyPrompts, 0);
  EXPECT_TRUE(testing::ListDir(out).empty());
}

// Stop while the recovery files are computed leaves the parts and none of them.
TEST_F(SplitEngineTest, StopWhileTheRecoveryFilesAreComputedLeavesNone) {
  recovery = 1;
  std::string source = Source(2500);
  Dialog(1086);
  ui.StopWhenStatusHolds("REPORT.R00");
  EXPECT_EQ(engine.Run({source, 2500}), SplitOutcome::kStopped);
  EXPECT_EQ(ui.Status(), " Aborted");
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02", "REPORT.sha256"}));
}

// Stop while a recovery file is written leaves none under its name.
TEST_F(RemovableSplitTest, StopWhileARecoveryFileIsWrittenLeavesNone) {
  recovery = 1;
  std::string source = Source(2500);
  Dialog(1086);
  ui.floppyPrompt = [&](FloppyPrompt& prompt) {
    if (prompt.partPath().ends_with("R00")) ui.StopAtPump(ui.pumps + 1);
    return prompt.Ok() == DialogResult::kOk;
  };
  EXPECT_EQ(engine.Run({source, 2500}), SplitOutcome::kStopped);
  EXPECT_EQ(ui.Status(), " Aborted");
  EXPECT_EQ(testing::ListDir(out),
            (std::vector<std::string>{"REPORT.Z00", "REPORT.Z01", "REPORT.Z02"}));
}

}  // namespace
}  // namespace fennimar
