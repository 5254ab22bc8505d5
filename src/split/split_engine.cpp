#include "split/split_engine.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/file_name.h"
#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "format/path_limits.h"
#include "platform/buffered_writer.h"
#include "platform/directory_lock.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/pending_file.h"
#include "platform/system_error.h"
#include "settings/settings_store.h"
#include "split/companion_joiners.h"
#include "split/floppy_prompt.h"
#include "split/part_mailer.h"
#include "split/part_occupant.h"
#include "split/split_form.h"
#include "text/ascii.h"
#include "text/printf_text.h"
#include "ui/ensure_directory.h"
#include "ui/message_text.h"
#include "ui/progress_dialog.h"
#include "ui/user_interface.h"

namespace fennimar {
namespace {

// Part files must be able to hold at least this many data bytes.
constexpr std::int64_t kMinDivisionSize = 1000;

std::string DividingText(const std::string& path, int parts) {
  return Format("Dividing %s on %2d parts", path, parts);
}

// One run: the state of a split from the dialog's OK to its end. Every way
// out releases what it holds through the owners below.
class SplitRun {
 public:
  SplitRun(UserInterface& ui, SettingsStore& settings, DriveQueries& drives, PartMailer* mailer,
           const Selection& selection, const SplitRequest& request)
      : ui_(ui),
        settings_(settings),
        drives_(drives),
        mailer_(mailer),
        path_(selection.selectedPath),
        request_(request) {}

  SplitOutcome Execute();

 private:
  enum class PartOutcome { kWritten, kEnded };

  bool Prepare();
  bool CheckPartNames();
  bool TakeLock();
  bool ReplaceOtherSets(int first, int end);
  bool IsTheSource(const std::string& partPath) const;
  bool PromptForDisk(const std::string& partPath, std::int64_t length);
  PartOutcome WritePart(const std::string& partPath, std::int64_t length);
  SplitOutcome Finish();
  void RemoveOldSlicing();
  bool FixUpCount();
  void Warn(const std::string& text, const std::string& caption) {
    ui_.ShowMessage(text, caption, MessageKind::kOkWarning);
  }
  void SetLine(InfoLine line, const std::string& text) { ui_.SetInfoLine(line, text); }

  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  PartMailer* mailer_;
  const std::string path_;
  const SplitRequest request_;

  // How the run ends when a step returns false without saying otherwise.
  SplitOutcome ending_ = SplitOutcome::kFailed;
  std::optional<File> source_;
  std::optional<FileIdentity> sourceIdentity_;
  std::optional<DirectoryLock> lock_;
  std::optional<ProgressDialog> progress_;
  bool removable_ = false;
  CompanionJoiners joiners_;  // found when the target is removable
  bool floppyUsed_ = false;
  bool mailOk_ = true;
  PartHeader header_;          // the fields shared by every part of the set
  std::int64_t size_ = 0;      // the source's length
  std::int64_t division_ = 0;  // data bytes per part
  int planned_ = 0;            // the parts the size gives (free space may change it)
  int index_ = 0;              // the part being written
  std::int64_t offset_ = 0;
  std::int64_t copied_ = 0;
};

bool SplitRun::Prepare() {
  SetLine(InfoLine::kDirectory, Format(" Directory: %s", request_.targetDirectory));
  // The joiner refuses a stored name with control characters; such a set
  // would split but never join again.
  std::string name = FileNameOf(path_);
  if (HasControlCharacter(name)) {
    Warn(MessageText("File name has control characters, its parts could not be joined", path_),
         "Split");
    return false;
  }
  source_ = File::OpenRead(path_);
  if (!source_) {
    Warn(MessageText(path_, path_, LastErrorText()), "Can not open file");
    return false;
  }
  sourceIdentity_ = IdentityOf(*source_);
  auto status = StatPath(path_);
  size_ = source_->Size();
  if (!status || size_ < 0) {
    ui_.ShowMessage("FAIL", "_fstat", MessageKind::kOk);
    return false;
  }
  // A source of 2 GiB or more makes a large set (docs/part-format.md).
  header_.SetSource(FileNameOf(path_), size_);
  // The joiner also refuses a stored name that leaves no file name: one that
  // ends in ':' or '\' (a drive or a directory to other systems).
  if (!SafeFileName(header_.SourceName())) {
    Warn(MessageText("File name ends in ':' or '\\', its parts could not be joined", path_),
         "Split");
    return false;
  }
  header_.SetModifiedTime(status->modifiedTime);
  SetLine(InfoLine::kSize, " File size: " + std::to_string(size_));

  division_ = request_.chunkSize - static_cast<std::int64_t>(kHeaderSize);
  if (division_ < kMinDivisionSize) {
    Warn("Division size should be greater than 1000 bytes", "Split");
    return false;
  }
  if (division_ >= size_) {
    Warn("Chunk size greater then file size", "Split");  // the program's own spelling
    return false;
  }
  if (request_.chunkSize > kMaxPartSize) {
    Warn("Chunk size must be smaller than 2 GB", "Split");
    return false;
  }
  std::int64_t planned = (size_ + division_ - 1) / division_;
  if (planned > kMaxParts) {
    Warn("File to big (more than 100 parts)", "Split");
    return false;
  }
  planned_ = static_cast<int>(planned);
  header_.partCount = static_cast<std::uint8_t>(planned_);
  if (!CheckPartNames()) return false;

  removable_ = drives_.GetDriveKind(request_.targetDirectory) == DriveKind::kRemovable;
  // A removable disk holds one part; its names are checked when it is in.
  if (!removable_ && !ReplaceOtherSets(0, planned_)) return false;
  if (removable_) joiners_ = CompanionJoiners::Find(settings_);
  std::string dividing = request_.fillToCapacity && removable_ ? Format("Dividing %s", path_)
                                                               : DividingText(path_, planned_);
  SetLine(InfoLine::kTarget, dividing);
  progress_.emplace(ui_);
  progress_->SetStatusText(dividing);
  return true;
}

// True when the part's name is the source's own directory entry: renaming
// the part into place would take the source's name away.
bool SplitRun::IsTheSource(const std::string& partPath) const {
  return sourceIdentity_ && EntryIdentityOf(partPath) == sourceIdentity_;
}

// Refuses, before anything is written, a source that is one of its own parts
// (a source named DATA.Z00 or LOG.Z01 split into its own directory).
bool SplitRun::CheckPartNames() {
  for (int index = 0; index < planned_; ++index) {
    std::string partPath = PartPath(request_.targetDirectory, path_, index);
    if (IsTheSource(partPath)) {
      Warn(MessageText("A part would replace the file being split", partPath), "Split");
      return false;
    }
  }
  return true;
}

// One writer per directory: two splits of one name never mix their parts.
bool SplitRun::TakeLock() {
  if (!lock_) {
    lock_.emplace(request_.targetDirectory);
    if (lock_->state() == DirectoryLock::State::kBusy) {
      Warn(MessageText(kDirectoryBusyText, request_.targetDirectory), "Split");
      return false;
    }
  }
  return true;
}

// Asks before the parts from `first` to `end` - 1 replace another file's
// parts or files; on Yes, also deletes the other sets' parts from `end` on, so
// that none of them can be joined with the new parts. False when the split
// must end.
bool SplitRun::ReplaceOtherSets(int first, int end) {
  // Nothing is asked or deleted while another run writes there: its parts
  // would look like another file's.
  if (!TakeLock()) return false;
  std::vector<std::string> owners;  // the sources whose parts are replaced
  for (int index = first; index < end; ++index) {
    PartOccupant occupant =
        FindPartOccupant(PartPath(request_.targetDirectory, path_, index), header_);
    if (occupant.kind != PartOccupant::Kind::kOtherPart &&
        occupant.kind != PartOccupant::Kind::kOtherFile) {
      continue;
    }
    if (std::find(owners.begin(), owners.end(), occupant.owner) != owners.end()) continue;
    std::string question =
        "Parts of another file (" + occupant.owner + ") are in this directory; replace them?";
    if (ui_.ShowMessage(question, "Split", MessageKind::kYesNoDefaultNo) != Answer::kYes) {
      SetLine(InfoLine::kStatus, " Split Aborted");
      ending_ = SplitOutcome::kCancelled;
      return false;
    }
    if (occupant.kind == PartOccupant::Kind::kOtherPart) owners.push_back(occupant.owner);
  }
  if (owners.empty()) return true;
  std::string kept = RemoveParts(
      PartBaseOf(PartPath(request_.targetDirectory, path_, 0)), end, [&](const PartHeader& header) {
        return std::find(owners.begin(), owners.end(), header.SourceName()) != owners.end();
      });
  if (!kept.empty()) {
    Warn(MessageText("Can not delete", kept, LastErrorText()), "Split");
    return false;
  }
  return true;
}

// Asks for a disk with room for the part; false when the split must end.
bool SplitRun::PromptForDisk(const std::string& partPath, std::int64_t length) {
  floppyUsed_ = true;
  // When parts are sized by free space, a disk needs room for the header and
  // at least one data byte. Otherwise the disk of the last part also takes
  // the joiners.
  std::int64_t required = static_cast<std::int64_t>(kHeaderSize) + 1;
  if (!request_.fillToCapacity) {
    required = length;
    if (offset_ + length == size_) required += static_cast<std::int64_t>(joiners_.Size());
  }
  FloppyPrompt prompt(ui_, drives_, partPath, required);
  if (!ui_.RunFloppyPrompt(prompt)) {
    source_.reset();
    SetLine(InfoLine::kStatus, " Split Aborted");
    ending_ = SplitOutcome::kCancelled;
    return false;
  }
  const std::string& directory = request_.targetDirectory;
  // Deliberately captioned "Merge", as this question always has been.
  DirectoryOutcome there = EnsureDirectory(ui_, directory, "Merge");
  if (there == DirectoryOutcome::kDeclined) ending_ = SplitOutcome::kCancelled;
  if (!DirectoryIsThere(there)) return false;
  if (request_.fillToCapacity) {
    // The part fills the disk, but no more than one file of its file system
    // or of the format can hold.
    auto room = static_cast<std::int64_t>(
        std::min({drives_.GetFreeSpace(directory), drives_.GetLargestFile(directory),
                  static_cast<std::uint64_t>(kMaxPartSize)}));
    division_ = std::max<std::int64_t>(room - static_cast<std::int64_t>(kHeaderSize), 1);
    // The disk that takes the rest of the source also takes the joiners:
    // when they would not fit beside the rest, this part leaves them room
    // and the rest goes onto the next disk. Joiners that leave no room for
    // data on a disk of this size would not fit on the last one either.
    auto joiners =
        static_cast<std::int64_t>(std::min<std::uint64_t>(joiners_.Size(), kMaxPartSize));
    std::int64_t rest = size_ - offset_;
    if (rest <= division_ && rest + joiners > division_ && division_ - joiners >= 1) {
      division_ -= joiners;
    }
  }
  return true;
}

SplitRun::PartOutcome SplitRun::WritePart(const std::string& partPath, std::int64_t length) {
  if (!TakeLock()) return PartOutcome::kEnded;
  if (IsTheSource(partPath)) {
    Warn(MessageText("A part would replace the file being split", partPath), "Split");
    return PartOutcome::kEnded;
  }
  // A directory, a FIFO or a device under the part's name is not replaced.
  EntryKind existing = EntryKindOf(partPath);
  if (existing == EntryKind::kDirectory || existing == EntryKind::kOther) {
    errno = existing == EntryKind::kDirectory ? EISDIR : kNotRegularFile;
  }
  std::optional<PendingFile> part;
  if (existing != EntryKind::kDirectory && existing != EntryKind::kOther) {
    part = PendingFile::Create(partPath);
  }
  if (!part) {
    Warn(MessageText(partPath, partPath, LastErrorText()), "Can not open");
    return PartOutcome::kEnded;
  }
  SetLine(InfoLine::kStatus, Format(" Writing: %s", partPath));

  PartHeader header = header_;
  header.partIndex = static_cast<std::uint8_t>(index_);
  header.checksum = 0;
  header.dataLength = static_cast<std::int32_t>(length);
  HeaderBytes bytes = EncodeHeader(header);
  // A short write anywhere leaves the part short; the length check catches it.
  std::optional<BufferedWriter> writer(std::in_place, part->file());
  bool writing = writer->Append(bytes.data(), bytes.size());

  PartChecksum checksum;
  std::int64_t remaining = length;
  // The source is read straight into the writer's buffer, as much at a time
  // as it has room for, and then handled block by block, each block followed
  // by the progress update and the pump. Of the room, the bytes before
  // `next` are handled; a block ends at the room's end at the latest.
  std::span<char> room;
  std::size_t next = 0;
  while (remaining > 0 && !progress_->stopRequested()) {
    if (next == room.size()) {
      room = writer->Space(static_cast<std::size_t>(
          std::min<std::int64_t>(remaining, static_cast<std::int64_t>(kWriteBufferSize))));
      next = 0;
      std::int64_t got = source_->Read(room.data(), room.size());
      if (got != static_cast<std::int64_t>(room.size())) {
        std::string reason =
            got < 0 ? LastErrorText() : "The file is shorter than when it was opened";
        writer.reset();
        Warn(MessageText("Can not read file", path_, reason), path_);
        return PartOutcome::kEnded;
      }
    }
    auto block =
        std::min({static_cast<std::size_t>(remaining), kCopyBlockSize, room.size() - next});
    checksum.Add(room.data() + next, block);
    writing = writer->Commit(block) && writing;
    next += block;
    copied_ += static_cast<std::int64_t>(block);
    remaining -= static_cast<std::int64_t>(block);
    progress_->SetPercent(PercentOf(copied_, size_));
    ui_.Pump();
    if (!writing) break;  // the disk is full: stop copying, the check below reports it
  }
  writing = writer->Flush() && writing;
  writer.reset();
  if (progress_->stopRequested()) {
    SetLine(InfoLine::kStatus, " Aborted");
    ending_ = SplitOutcome::kStopped;
    return PartOutcome::kEnded;
  }

  std::uint8_t stored[2];
  EncodeFixed16(stored, checksum.Value());
  File& file = part->file();
  bool summed = file.Seek(kChecksumOffset) && file.Write(stored, sizeof stored) == 2;
  std::int64_t actual = file.Size();
  if (actual < 0) {
    ui_.ShowMessage(MessageText("FAIL", partPath, LastErrorText()), partPath, MessageKind::kOk);
    return PartOutcome::kEnded;
  }
  // Only a verified part takes its name; the close is part of the check.
  if (!writing || !summed || actual != static_cast<std::int64_t>(kHeaderSize) + length ||
      !part->Commit()) {
    Warn(MessageText("Disk write error or disk full!!!", partPath), "Split ABORTED");
    return PartOutcome::kEnded;
  }
  return PartOutcome::kWritten;
}

SplitOutcome SplitRun::Execute() {
  WaitCursor wait(ui_);
  if (!Prepare()) return ending_;

  while (offset_ < size_) {
    // The set's names and count byte hold at most 100 parts, also when parts
    // are sized by the free space of each disk.
    if (index_ >= kMaxParts) {
      Warn("File to big (more than 100 parts)", "Split");
      return SplitOutcome::kFailed;
    }
    std::string partPath = PartPath(request_.targetDirectory, path_, index_);
    std::int64_t length = std::min(division_, size_ - offset_);
    if (removable_) {
      if (!PromptForDisk(partPath, length) || !ReplaceOtherSets(index_, index_ + 1)) {
        return ending_;
      }
      length = std::min(division_, size_ - offset_);
    } else if (drives_.GetFreeSpace(request_.targetDirectory) <
               static_cast<std::uint64_t>(length)) {
      Warn(MessageText("Not enough hard disk space in target directory", request_.targetDirectory),
           "Split");
      return SplitOutcome::kFailed;
    }
    offset_ += length;

    if (WritePart(partPath, length) == PartOutcome::kEnded) return ending_;
    if (!request_.mailTo.empty()) {
      // While the server is waited for, the window stays painted and Stop
      // is seen.
      auto keepWaiting = [this] {
        ui_.Pump();
        return !progress_->stopRequested();
      };
      MailOutcome mailed =
          mailer_ ? mailer_->MailPart(ui_, partPath, request_.mailTo, header_.SourceName(), index_,
                                      planned_, keepWaiting)
                  : MailOutcome::kFailed;
      if (mailed == MailOutcome::kStopped) {
        SetLine(InfoLine::kStatus, " Aborted");
        return SplitOutcome::kStopped;
      }
      if (mailed == MailOutcome::kFailed) {
        mailOk_ = false;
        ++index_;
        break;
      }
    }
    ++index_;
  }
  source_.reset();
  return Finish();
}

SplitOutcome SplitRun::Finish() {
  RemoveOldSlicing();
  if (floppyUsed_) {
    joiners_.CopyTo(drives_.RootOf(request_.targetDirectory));
    // When the user declines, the status line keeps its " Writing: " text:
    // part 00 still carries the planned count, so the set does not join.
    if (index_ != planned_ && !FixUpCount()) return SplitOutcome::kCancelled;
  }
  if (!request_.mailTo.empty()) {
    SetLine(InfoLine::kStatus, mailOk_ ? " Mailed" : " Mail failed");
    return mailOk_ ? SplitOutcome::kMailed : SplitOutcome::kMailFailed;
  }
  SetLine(InfoLine::kStatus, " Complete");
  return SplitOutcome::kComplete;
}

// A re-split of the same unchanged file into fewer parts leaves the earlier
// slicing's higher parts behind; they hold the same source cut elsewhere and
// would pass for parts of the new set, so they go once it is written (on a
// removable drive, those on the disk of the last part). One that cannot be
// deleted is left: it belongs to the same source.
void SplitRun::RemoveOldSlicing() {
  RemoveParts(PartBaseOf(PartPath(request_.targetDirectory, path_, 0)), index_,
              [this](const PartHeader& header) { return IsSameSource(header, header_); });
}

// After a set sized by free space, part 00 learns the number of parts
// actually written; only its first byte changes. False when the user
// declined to insert the first disk.
bool SplitRun::FixUpCount() {
  std::string first = PartPath(request_.targetDirectory, path_, 0);
  for (;;) {
    if (ui_.ShowMessage("Fennimar needs to update header on the first floppy,\nplease insert "
                        "first floppy\nContinue?",
                        "Fennimar", MessageKind::kYesNo) != Answer::kYes) {
      return false;
    }
    if (PathExists(first)) break;
  }
  if (auto part = File::OpenUpdate(first)) {
    auto count = static_cast<std::uint8_t>(index_);
    if (part->Seek(kPartCountOffset)) part->Write(&count, 1);
  }
  return true;
}

}  // namespace

SplitOutcome SplitEngine::Run(const Selection& selection) {
  if (selection.selectedPath.empty()) {
    ui_.ShowMessage("File not selected, select file first", "Split", MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  // The dialog may create the target directory, so a source that would be
  // refused (a path too long, one that cannot be read) is told first.
  const std::string& path = selection.selectedPath;
  if (path.size() > kMaxSelectedPathLength) {
    ui_.ShowMessage(MessageText("File path too long", path), path, MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  if (!File::OpenRead(path)) {
    ui_.ShowMessage(MessageText(path, path, LastErrorText()), "Can not open file",
                    MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  // Parts hold more than kMinDivisionSize bytes each and a split makes at
  // least two: a file of that size or less has nothing to split, which is
  // said before the dialog proposes "0 parts" or a size it would refuse.
  // Only a regular file has a size to tell; anything else is refused when it
  // is opened.
  if (auto status = StatPath(selection.selectedPath);
      status && IsRegularFile(selection.selectedPath) && status->size <= kMinDivisionSize) {
    ui_.ShowMessage(MessageText(status->size == 0 ? "The file is empty"
                                                  : "The file is too small to split (1000 "
                                                    "bytes or less)",
                                selection.selectedPath),
                    "Split", MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  SplitForm form(ui_, settings_, selection.selectedPath, selection.fileSize);
  form.Open();
  if (!ui_.RunSplitDialog(form)) {
    // Deliberately " Complete": a cancelled split has always said so.
    ui_.SetInfoLine(InfoLine::kStatus, " Complete");
    return SplitOutcome::kCancelled;
  }
  // Mail settings that cannot be used are told before any part is written.
  if (!form.request().mailTo.empty() && mailer_ && !mailer_->CanMail(ui_)) {
    return SplitOutcome::kFailed;
  }
  return SplitRun(ui_, settings_, drives_, mailer_, selection, form.request()).Execute();
}

}  // namespace fennimar
