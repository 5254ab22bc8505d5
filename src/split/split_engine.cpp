#include "split/split_engine.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "copy/part_data_copy.h"
#include "copy/part_digests.h"
#include "format/file_name.h"
#include "format/manifest.h"
#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "format/path_limits.h"
#include "platform/buffered_writer.h"
#include "platform/directories.h"
#include "platform/directory_lock.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/pending_file.h"
#include "platform/system_error.h"
#include "platform/temporary_files.h"
#include "recovery/incremental_encoder.h"
#include "recovery/recovery_encoder.h"
#include "recovery/recovery_format.h"
#include "settings/settings_store.h"
#include "split/companion_joiners.h"
#include "split/floppy_prompt.h"
#include "split/mail_part_size.h"
#include "split/part_mailer.h"
#include "split/part_match.h"
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

// How long a wait for the manifest's digests goes between two pumps.
constexpr std::chrono::milliseconds kDigestWaitStep{50};

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
        request_(request),
        chunkSize_(request.chunkSize) {}

  SplitOutcome Execute();
  // After a run that ended at a part that was not mailed: what resumes it.
  std::optional<MailResume> Resume() const;

 private:
  // Each step returns the way the run ends, or nothing to go on.
  using Step = std::optional<SplitOutcome>;

  Step Prepare();
  Step OpenSource();
  Step AskMailLimit();
  Step CheckMessagesFit();
  MailedSet Mailed() const {
    return {path_,           request_.targetDirectory, header_.SourceName(),  size_,
            request_.mailTo, request_.writeManifest,   request_.recoveryCount};
  }
  std::int64_t LargestFittingChunk() const {
    return fennimar::LargestFittingChunk(*mailer_, Mailed(), *mailLimit_, kMinPartSize);
  }
  Step CheckPartsOnDisk();
  std::int64_t PartLength(std::int64_t division, int index) const {
    return std::clamp<std::int64_t>(size_ - division * index, 0, division);
  }
  bool IsKept(int index) const {
    return index < static_cast<int>(kept_.size()) && kept_[static_cast<std::size_t>(index)];
  }
  bool Mailing() const { return !request_.mailTo.empty(); }
  Step PutPart(const std::string& partPath, std::int64_t length);
  std::function<bool()> KeepWaiting() {
    // While the server is waited for, the window stays painted and Stop is
    // seen.
    return [this] {
      ui_.Pump();
      return !progress_->stopRequested();
    };
  }
  Step PlanParts();
  Step CheckPartNames();
  Step TakeLock();
  Step ReplaceOtherSets(int first, int end);
  bool IsTheSource(const std::string& partPath) const;
  Step PromptForDisk(const std::string& partPath, std::int64_t length);
  Step AskForDisk(const std::string& path, std::int64_t required);
  void FitPartToDisk();
  Step WritePart(const std::string& partPath, std::int64_t length);
  Step SealPart(PendingFile& part, const std::string& partPath, std::int64_t length,
                const PartChecksum& checksum, const Result<void>& written);
  Step MailPart(const std::string& partPath);
  Step MailCompanions();
  SplitOutcome Finish();
  Step WriteManifest();
  std::string ManifestPath() const {
    return ManifestPathFromBase(PartBaseOf(PartPath(request_.targetDirectory, path_, 0)));
  }
  std::string JoinedName() const { return SafeFileName(header_.SourceName()).value_or(""); }
  Step ReplaceOtherManifest();
  std::int64_t ManifestSizeEstimate() const;
  Step CheckRecoveryCount();
  Step StartRecoveryEncoder();
  Step AddToRecovery(const std::string& partPath);
  Step StoppedInRecovery();
  Step ReplaceOtherRecoveryFiles(int first, int end);
  Step TakeSourceDigest();
  Step WriteRecovery();
  Step WriteRecoveryToDisks();
  void RemoveOldRecoveryFiles(int first);
  std::string PartBase() const { return PartBaseOf(PartPath(request_.targetDirectory, path_, 0)); }
  void RemoveOldSlicing();
  bool FixUpCount();
  SplitOutcome Warn(const std::string& text, const std::string& caption) {
    ui_.ShowMessage(text, caption, MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  void SetLine(InfoLine line, const std::string& text) { ui_.SetInfoLine(line, text); }

  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  PartMailer* mailer_;
  const std::string path_;
  const SplitRequest request_;
  std::int64_t chunkSize_;  // the request's, or the one the mail server's limit gives

  std::optional<File> source_;
  std::optional<FileIdentity> sourceIdentity_;
  std::optional<DirectoryLock> lock_;
  std::optional<ProgressDialog> progress_;
  bool removable_ = false;
  CompanionJoiners joiners_;  // found when the target is removable
  // The manifest's digests, read back from the parts as they are completed.
  std::optional<PartDigests> digests_;
  // The source's SHA-256, taken from the manifest for the recovery files.
  std::optional<SourceDigest> sourceDigest_;
  // On removable disks, the recovery data gathered from each part while its
  // disk is in the drive.
  std::optional<IncrementalEncoder> encoder_;
  bool floppyUsed_ = false;
  bool countFixed_ = false;            // part 00 was told the count after it was written
  std::vector<std::string> replaced_;  // sources whose parts the user let go
  bool mailOk_ = true;
  std::optional<int> unmailed_;             // the index of the part that was not mailed
  std::optional<std::uint64_t> mailLimit_;  // the mail server's size limit
  std::vector<bool> kept_;                  // parts of this split found on disk by index
  PartHeader header_;                       // the fields shared by every part of the set
  std::int64_t size_ = 0;                   // the source's length
  std::int64_t division_ = 0;               // data bytes per part
  int planned_ = 0;                         // the parts the size gives (free space may change it)
  int index_ = 0;                           // the part being written
  std::int64_t offset_ = 0;
  std::int64_t copied_ = 0;  // data bytes written, for the progress
};

SplitRun::Step SplitRun::Prepare() {
  SetLine(InfoLine::kDirectory, Format(" Directory: %s", request_.targetDirectory));
  if (auto end = OpenSource()) return end;
  // The server is asked before anything is written; Stop ends the wait.
  if (Mailing()) {
    progress_.emplace(ui_);
    if (auto end = AskMailLimit()) return end;
  }
  if (auto end = PlanParts()) return end;
  if (auto end = CheckMessagesFit()) return end;
  if (auto end = CheckPartsOnDisk()) return end;
  if (auto end = CheckPartNames()) return end;

  removable_ = drives_.GetDriveKind(request_.targetDirectory) == DriveKind::kRemovable;
  if (auto end = CheckRecoveryCount()) return end;
  // A removable disk holds one part; its names are checked when it is in.
  if (!removable_) {
    if (auto end = ReplaceOtherSets(0, planned_)) return end;
    if (auto end = ReplaceOtherManifest()) return end;
    if (auto end = ReplaceOtherRecoveryFiles(0, request_.recoveryCount)) return end;
  } else if (auto end = StartRecoveryEncoder()) {
    return end;
  }
  if (request_.writeManifest) digests_.emplace();
  if (removable_) joiners_ = CompanionJoiners::Find(settings_);
  std::string dividing = request_.fillToCapacity && removable_ ? Format("Dividing %s", path_)
                                                               : DividingText(path_, planned_);
  SetLine(InfoLine::kTarget, dividing);
  if (!progress_) progress_.emplace(ui_);
  progress_->SetStatusText(dividing);
  return std::nullopt;
}

SplitRun::Step SplitRun::OpenSource() {
  // The joiner refuses a stored name with control characters; such a set
  // would split but never join again.
  if (HasControlCharacter(FileNameOf(path_))) {
    return Warn(
        MessageText("File name has control characters, its parts could not be joined", path_),
        "Split");
  }
  auto source = File::OpenRead(path_);
  if (!source) return Warn(MessageText(path_, path_, source.error().Reason()), "Can not open file");
  source_ = std::move(*source);
  auto identity = source_->Identity();
  if (identity) sourceIdentity_ = *identity;
  auto status = StatusOf(path_);
  auto size = source_->Size();
  if (!status || !size) {
    ui_.ShowMessage("FAIL", "_fstat", MessageKind::kOk);
    return SplitOutcome::kFailed;
  }
  size_ = *size;
  // A source of 2 GiB or more makes a large set (docs/part-format.md).
  header_.SetSource(FileNameOf(path_), size_);
  // The joiner also refuses a stored name that leaves no file name: one that
  // ends in ':' or '\' (a drive or a directory to other systems).
  if (!SafeFileName(header_.SourceName())) {
    return Warn(MessageText("File name ends in ':' or '\\', its parts could not be joined", path_),
                "Split");
  }
  header_.SetModifiedTime(status->modifiedTime);
  SetLine(InfoLine::kSize, " File size: " + std::to_string(size_));
  return std::nullopt;
}

SplitRun::Step SplitRun::PlanParts() {
  division_ = chunkSize_ - static_cast<std::int64_t>(kHeaderSize);
  if (division_ < kMinDivisionSize) {
    return Warn("Division size should be greater than 1000 bytes\n" + SmallestPartSizeText(),
                "Split");
  }
  // A part holds more than kMinDivisionSize data bytes, so a file of that
  // size or less is refused even where a medium's size would take it whole.
  if (division_ >= size_ && request_.chunkSizeIsCap && size_ > kMinDivisionSize) {
    division_ = size_;  // the whole file fits the medium's part: one part
  } else if (division_ >= size_) {
    return Warn("Chunk size greater then file size", "Split");  // the program's own spelling
  }
  if (chunkSize_ > kMaxPartSize) return Warn("Chunk size must be smaller than 2 GB", "Split");
  std::int64_t planned = (size_ + division_ - 1) / division_;
  if (planned > kMaxParts) {
    // The part size whose division makes at most 100 parts, when a part
    // file may be that large.
    std::int64_t smallest =
        (size_ + kMaxParts - 1) / kMaxParts + static_cast<std::int64_t>(kHeaderSize);
    std::string advice;
    if (smallest <= kMaxPartSize) {
      advice = "\nThe smallest part size that fits is " + std::to_string(smallest) + " bytes.";
    }
    return Warn("File to big (more than 100 parts)" + advice, "Split");
  }
  planned_ = static_cast<int>(planned);
  header_.partCount = static_cast<std::uint8_t>(planned_);
  return std::nullopt;
}

// Asks the mail server for its size limit; with parts sized by it, the
// largest part whose message fits becomes the part size.
SplitRun::Step SplitRun::AskMailLimit() {
  ServerLimit answer = mailer_ ? mailer_->AskSizeLimit(ui_, KeepWaiting()) : ServerLimit{};
  if (answer.outcome == MailOutcome::kStopped) {
    SetLine(InfoLine::kStatus, " Aborted");
    return SplitOutcome::kStopped;
  }
  if (answer.outcome == MailOutcome::kFailed) {
    SetLine(InfoLine::kStatus, " Mail failed");
    return SplitOutcome::kMailFailed;
  }
  mailLimit_ = answer.limit;
  if (!request_.partsFitMail) return std::nullopt;
  if (!mailLimit_) {
    return Warn(
        "The mail server announces no size limit for its messages.\nPlease choose a part size.",
        "Split");
  }
  std::int64_t fits = LargestFittingChunk();
  if (fits == 0) {
    return Warn(Format("No part is small enough for the mail server's limit of %s bytes.",
                       std::to_string(*mailLimit_)),
                "Split");
  }
  // A split makes at least two parts, however large the limit.
  chunkSize_ = std::min(fits, size_ - 1 + static_cast<std::int64_t>(kHeaderSize));
  return std::nullopt;
}

// A message larger than the server takes would be refused after the parts
// before it had been written and mailed: it is refused here, before any.
SplitRun::Step SplitRun::CheckMessagesFit() {
  if (!mailLimit_) return std::nullopt;
  auto largest = LargestMessage(*mailer_, Mailed(), chunkSize_);
  if (!largest || *largest <= *mailLimit_) return std::nullopt;
  std::int64_t fits = LargestFittingChunk();
  std::string advice =
      fits == 0 ? "No part is small enough for this server."
                : "The largest part size that fits is " + std::to_string(fits) + " bytes.";
  return Warn("Parts of " + std::to_string(chunkSize_) + " bytes make messages of up to " +
                  std::to_string(*largest) + " bytes, larger than the mail server's limit of " +
                  std::to_string(*mailLimit_) + " bytes.\n" + advice +
                  "\nNothing was split or mailed.",
              "Split");
}

// A split that goes on mailing from a later part finds the parts it wrote
// before on disk. Each must be this split's own, byte for byte: a part of
// another split would be mailed as if it were one of this set.
SplitRun::Step SplitRun::CheckPartsOnDisk() {
  if (request_.mailFrom <= 0) return std::nullopt;
  if (request_.mailFrom >= planned_) {
    return Warn(
        Format("There is no part %d: this split makes %d parts", request_.mailFrom + 1, planned_),
        "Split");
  }
  kept_.assign(static_cast<std::size_t>(planned_), false);
  for (int index = 0; index < planned_; ++index) {
    std::string partPath = PartPath(request_.targetDirectory, path_, index);
    if (KindOf(partPath, Links::kTakeAsIs) == EntryKind::kNone) continue;
    PartHeader expected = header_;
    expected.partIndex = static_cast<std::uint8_t>(index);
    expected.dataLength = static_cast<std::int32_t>(PartLength(division_, index));
    if (!PartMatches(partPath, expected, *source_, division_ * index, [this] { ui_.Pump(); })) {
      return Warn(
          MessageText("A file on disk under a part's name is not this split's; nothing was mailed",
                      partPath),
          "Split");
    }
    kept_[static_cast<std::size_t>(index)] = true;
  }
  return std::nullopt;
}

// True when the part's name is the source's own directory entry: renaming
// the part into place would take the source's name away.
bool SplitRun::IsTheSource(const std::string& partPath) const {
  if (!sourceIdentity_) return false;
  auto entry = StatusOf(partPath, Links::kTakeAsIs);
  return entry && entry->identity == *sourceIdentity_;
}

// Refuses, before anything is written, a source that is one of its own parts
// (a source named DATA.Z00 or LOG.Z01 split into its own directory).
SplitRun::Step SplitRun::CheckPartNames() {
  for (int index = 0; index < planned_; ++index) {
    std::string partPath = PartPath(request_.targetDirectory, path_, index);
    if (IsTheSource(partPath)) {
      return Warn(MessageText("A part would replace the file being split", partPath), "Split");
    }
  }
  return std::nullopt;
}

// One writer per directory: two splits of one name never mix their parts.
SplitRun::Step SplitRun::TakeLock() {
  if (!lock_) {
    lock_.emplace(request_.targetDirectory);
    if (lock_->state() == DirectoryLock::State::kBusy) {
      return Warn(MessageText(kDirectoryBusyText, request_.targetDirectory), "Split");
    }
  }
  return std::nullopt;
}

// Asks before the parts from `first` to `end` - 1 replace another file's
// parts or files; on Yes, also deletes the other sets' parts from `end` on, so
// that none of them can be joined with the new parts.
SplitRun::Step SplitRun::ReplaceOtherSets(int first, int end) {
  // Nothing is asked or deleted while another run writes there: its parts
  // would look like another file's.
  if (auto busy = TakeLock()) return busy;
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
      return SplitOutcome::kCancelled;
    }
    if (occupant.kind == PartOccupant::Kind::kOtherPart) owners.push_back(occupant.owner);
  }
  replaced_.insert(replaced_.end(), owners.begin(), owners.end());
  if (owners.empty()) return std::nullopt;
  auto kept = RemoveParts(
      PartBaseOf(PartPath(request_.targetDirectory, path_, 0)), end, [&](const PartHeader& header) {
        return std::find(owners.begin(), owners.end(), header.SourceName()) != owners.end();
      });
  if (kept) return Warn(MessageText("Can not delete", kept->path, kept->error.Reason()), "Split");
  return std::nullopt;
}

// Asks for a disk with room for the part.
SplitRun::Step SplitRun::PromptForDisk(const std::string& partPath, std::int64_t length) {
  floppyUsed_ = true;
  // The parts on the disk in the drive are read back before it goes.
  if (digests_) digests_->Wait();
  // When parts are sized by free space, a disk needs room for the header and
  // at least one data byte. Otherwise the disk of the last part also takes
  // the joiners.
  std::int64_t required = static_cast<std::int64_t>(kHeaderSize) + 1;
  if (!request_.fillToCapacity) {
    required = length;
    if (offset_ + length == size_) {
      required += static_cast<std::int64_t>(joiners_.Size()) + ManifestSizeEstimate();
    }
  }
  if (auto end = AskForDisk(partPath, required)) return end;
  if (request_.fillToCapacity) FitPartToDisk();
  return std::nullopt;
}

// Asks for a disk with `required` free bytes for the file `path`, and for
// the target directory on it.
SplitRun::Step SplitRun::AskForDisk(const std::string& path, std::int64_t required) {
  FloppyPrompt prompt(ui_, drives_, path, required);
  if (!ui_.RunFloppyPrompt(prompt)) {
    source_.reset();
    SetLine(InfoLine::kStatus, " Split Aborted");
    return SplitOutcome::kCancelled;
  }
  // Deliberately captioned "Merge", as this question always has been.
  return EndUnlessThere<SplitOutcome>(EnsureDirectory(ui_, request_.targetDirectory, "Merge"));
}

// The part fills the disk, but no more than one file of its file system or
// of the format can hold.
void SplitRun::FitPartToDisk() {
  const std::string& directory = request_.targetDirectory;
  auto room = static_cast<std::int64_t>(
      std::min({drives_.GetAvailableSpace(directory), drives_.GetLargestFile(directory),
                static_cast<std::uint64_t>(kMaxPartSize)}));
  division_ = std::max<std::int64_t>(room - static_cast<std::int64_t>(kHeaderSize), 1);
  // The disk that takes the rest of the source also takes the joiners: when
  // they would not fit beside the rest, this part leaves them room and the
  // rest goes onto the next disk. Joiners that leave no room for data on a
  // disk of this size would not fit on the last one either.
  auto joiners = static_cast<std::int64_t>(std::min<std::uint64_t>(
      joiners_.Size() + static_cast<std::uint64_t>(ManifestSizeEstimate()), kMaxPartSize));
  std::int64_t rest = size_ - offset_;
  if (rest <= division_ && rest + joiners > division_ && division_ - joiners >= 1) {
    division_ -= joiners;
  }
}

SplitRun::Step SplitRun::WritePart(const std::string& partPath, std::int64_t length) {
  if (auto busy = TakeLock()) return busy;
  if (IsTheSource(partPath)) {
    return Warn(MessageText("A part would replace the file being split", partPath), "Split");
  }
  auto part = PendingFile::Create(partPath);
  if (!part) return Warn(MessageText(partPath, partPath, part.error().Reason()), "Can not open");
  SetLine(InfoLine::kStatus, Format(" Writing: %s", partPath));

  PartHeader header = header_;
  header.partIndex = static_cast<std::uint8_t>(index_);
  header.checksum = 0;
  header.dataLength = static_cast<std::int32_t>(length);
  HeaderBytes bytes = EncodeHeader(header);
  PartChecksum checksum;
  Result<void> written;
  {
    BufferedWriter writer(part->file());
    written = writer.Append(bytes.data(), bytes.size());
    RunProgress progress{*progress_, ui_, copied_, size_};
    CopyResult copy = CopyPartData(*source_, writer, length, checksum, progress);
    copied_ = progress.done;
    if (copy.end == CopyEnd::kReadFailed || copy.end == CopyEnd::kShortSource) {
      std::string reason =
          copy.error ? copy.error->Reason() : "The file is shorter than when it was opened";
      return Warn(MessageText("Can not read file", path_, reason), path_);
    }
    if (copy.end == CopyEnd::kStopped) {
      SetLine(InfoLine::kStatus, " Aborted");
      return SplitOutcome::kStopped;
    }
    // A failed write is told once the part is checked below.
    if (written) written = writer.Flush();
  }
  if (auto end = SealPart(*part, partPath, length, checksum, written)) return end;
  if (digests_) digests_->Add(partPath);
  return AddToRecovery(partPath);
}

// Stores the checksum, checks the part's length and gives the part its name:
// only a verified part takes it, and the close is part of the check.
SplitRun::Step SplitRun::SealPart(PendingFile& part, const std::string& partPath,
                                  std::int64_t length, const PartChecksum& checksum,
                                  const Result<void>& written) {
  std::uint8_t stored[2];
  EncodeFixed16(stored, checksum.Value());
  File& file = part.file();
  bool summed = file.Seek(kChecksumOffset) && file.Write(stored, sizeof stored);
  auto actual = file.Size();
  if (!actual) {
    ui_.ShowMessage(MessageText("FAIL", partPath, actual.error().Reason()), partPath,
                    MessageKind::kOk);
    return SplitOutcome::kFailed;
  }
  if (!written || !summed || *actual != static_cast<std::int64_t>(kHeaderSize) + length ||
      !part.Commit()) {
    return Warn(MessageText("Disk write error or disk full!!!", partPath), "Split ABORTED");
  }
  return std::nullopt;
}

// Mails the part just written. A failed mail ends the set after this part;
// kMailFailed then tells it.
SplitRun::Step SplitRun::MailPart(const std::string& partPath) {
  MailOutcome mailed = mailer_
                           ? mailer_->MailPart(ui_, partPath, request_.mailTo, header_.SourceName(),
                                               index_, planned_, KeepWaiting())
                           : MailOutcome::kFailed;
  if (mailed == MailOutcome::kStopped) {
    SetLine(InfoLine::kStatus, " Aborted");
    return SplitOutcome::kStopped;
  }
  if (mailed == MailOutcome::kFailed) mailOk_ = false;
  return std::nullopt;
}

// Mails the manifest and then the recovery files, one message each, after
// the last part. A failure ends the mailing there: every part has gone, and
// the user learns which files are left to be mailed by hand.
SplitRun::Step SplitRun::MailCompanions() {
  std::vector<std::pair<std::string, MailedPart>> files;
  std::string name = header_.SourceName();
  if (request_.writeManifest) {
    files.push_back({ManifestPath(), {request_.mailTo, name, {}, 0, 0, 0, MailedKind::kManifest}});
  }
  for (int index = 0; index < request_.recoveryCount; ++index) {
    files.push_back(
        {RecoveryPathFromBase(PartBase(), index),
         {request_.mailTo, name, {}, 0, index, request_.recoveryCount, MailedKind::kRecovery}});
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    const auto& [path, file] = files[k];
    MailOutcome mailed =
        mailer_ ? mailer_->MailCompanion(ui_, path, file, KeepWaiting()) : MailOutcome::kFailed;
    if (mailed == MailOutcome::kStopped) {
      SetLine(InfoLine::kStatus, " Aborted");
      return SplitOutcome::kStopped;
    }
    if (mailed == MailOutcome::kMailed) continue;
    mailOk_ = false;
    std::string left = k + 1 < files.size()
                           ? FileNameOf(path) + " and the files after it were not; they are in "
                           : FileNameOf(path) + " was not; it is in ";
    ui_.ShowMessage(
        "Every part was mailed, but " + left + request_.targetDirectory + ", to be mailed by hand.",
        "Split", MessageKind::kOkWarning);
    break;
  }
  return std::nullopt;
}

SplitOutcome SplitRun::Execute() {
  WaitCursor wait(ui_);
  if (auto end = Prepare()) return *end;

  while (offset_ < size_) {
    // The set's names and count byte hold at most 100 parts, also when parts
    // are sized by the free space of each disk.
    if (index_ >= kMaxParts) return Warn("File to big (more than 100 parts)", "Split");
    std::string partPath = PartPath(request_.targetDirectory, path_, index_);
    std::int64_t length = std::min(division_, size_ - offset_);
    if (auto end = PutPart(partPath, length)) return *end;
    if (Mailing() && index_ >= request_.mailFrom) {
      if (auto end = MailPart(partPath)) return *end;
    }
    if (!mailOk_) {
      unmailed_ = index_;
      ++index_;
      break;
    }
    ++index_;
  }
  source_.reset();
  return Finish();
}

// Puts the part of `length` bytes at the current offset on disk, unless this
// split's own is there already.
SplitRun::Step SplitRun::PutPart(const std::string& partPath, std::int64_t length) {
  if (IsKept(index_)) {
    offset_ += length;
    copied_ += length;
    if (digests_) digests_->Add(partPath);
    return std::nullopt;
  }
  if (removable_) {
    if (auto end = PromptForDisk(partPath, length)) return end;
    if (auto end = ReplaceOtherSets(index_, index_ + 1)) return end;
    length = std::min(division_, size_ - offset_);
  } else if (drives_.GetAvailableSpace(request_.targetDirectory) <
             static_cast<std::uint64_t>(length)) {
    return Warn(
        MessageText("Not enough hard disk space in target directory", request_.targetDirectory),
        "Split");
  }
  // Parts found on disk were read past, and checking them moved the source.
  if (!kept_.empty()) {
    if (auto moved = source_->Seek(offset_); !moved) {
      return Warn(MessageText("Can not read file", path_, moved.error().Reason()), path_);
    }
  }
  offset_ += length;
  return WritePart(partPath, length);
}

std::optional<MailResume> SplitRun::Resume() const {
  if (!unmailed_) return std::nullopt;
  SplitRequest request = request_;
  request.chunkSize = chunkSize_;
  request.partsFitMail = false;
  request.mailFrom = *unmailed_;
  return MailResume{request, planned_};
}

SplitOutcome SplitRun::Finish() {
  RemoveOldSlicing();
  if (floppyUsed_) {
    joiners_.CopyTo(drives_.RootOf(request_.targetDirectory));
    // When the user declines, the status line keeps its " Writing: " text:
    // part 00 still carries the planned count, so the set does not join.
    if (index_ != planned_) {
      if (!FixUpCount()) return SplitOutcome::kCancelled;
      countFixed_ = true;
    }
  }
  // The manifest follows the parts (on removable disks, onto the last one,
  // or the first when its part 00 has just learnt the count), and only a
  // whole set has one.
  if (offset_ == size_) {
    if (auto end = WriteManifest()) return *end;
    if (auto end = removable_ ? WriteRecoveryToDisks() : WriteRecovery()) return *end;
    if (Mailing() && mailOk_) {
      if (auto end = MailCompanions()) return *end;
    }
  }
  if (!request_.mailTo.empty()) {
    SetLine(InfoLine::kStatus, mailOk_ ? " Mailed" : " Mail failed");
    return mailOk_ ? SplitOutcome::kMailed : SplitOutcome::kMailFailed;
  }
  SetLine(InfoLine::kStatus, " Complete");
  return SplitOutcome::kComplete;
}

// Writes the manifest beside the parts, under a temporary name until it is
// whole. Without one, a manifest an earlier split of this file left would
// contradict the new parts, so it goes.
SplitRun::Step SplitRun::WriteManifest() {
  std::string path = ManifestPath();
  if (!digests_) {
    if (FindManifestOccupant(path, JoinedName()).kind == PartOccupant::Kind::kSameSet) {
      (void)RemoveFile(path);  // a join then tells the digests it cannot match
    }
    return std::nullopt;
  }
  if (removable_) {
    if (auto end = ReplaceOtherManifest()) return end;
  }
  // The digests may still be on their way: the window stays painted and
  // Stop ends the wait, and with it the split, without a manifest.
  SetLine(InfoLine::kStatus, Format(" Writing: %s", path));
  while (!digests_->WaitFor(kDigestWaitStep)) {
    ui_.Pump();
    if (progress_ && progress_->stopRequested()) {
      SetLine(InfoLine::kStatus, " Aborted");
      return SplitOutcome::kStopped;
    }
  }
  auto manifest = digests_->Finish(JoinedName());
  digests_.reset();
  // The joined file's line comes last.
  if (manifest && !manifest->entries.empty()) sourceDigest_ = manifest->entries.back().digest;
  if (manifest && countFixed_) {
    // Part 00's count byte changed after it was read back.
    auto first = DigestFile(PartPath(request_.targetDirectory, path_, 0));
    if (first) manifest->entries.front().digest = *first;
    if (!first) manifest = first.error();
  }
  if (!manifest) {
    return Warn(MessageText("Can not read the parts back for the manifest", path,
                            manifest.error().Reason()),
                "Split");
  }
  std::string text = EncodeManifest(*manifest);
  auto file = PendingFile::Create(path);
  if (!file) return Warn(MessageText(path, path, file.error().Reason()), "Can not open");
  if (!file->file().Write(text.data(), text.size()) || !file->Commit()) {
    return Warn(MessageText("Disk write error or disk full!!!", path), "Split ABORTED");
  }
  return std::nullopt;
}

// A file under the manifest's name that no earlier split of this file wrote
// is treated as another set's part: replaced only on Yes.
SplitRun::Step SplitRun::ReplaceOtherManifest() {
  if (!request_.writeManifest) return std::nullopt;
  PartOccupant occupant = FindManifestOccupant(ManifestPath(), JoinedName());
  std::string question;
  if (occupant.kind == PartOccupant::Kind::kOtherPart) {
    // The manifest of a file whose parts the user has let go goes with them.
    if (std::find(replaced_.begin(), replaced_.end(), occupant.owner) != replaced_.end()) {
      return std::nullopt;
    }
    question =
        "The manifest of another file (" + occupant.owner + ") is in this directory; replace it?";
  } else if (occupant.kind == PartOccupant::Kind::kOtherFile) {
    question = "A file (" + occupant.owner +
               ") that is not this split's manifest is in this directory; replace it?";
  } else {
    return std::nullopt;
  }
  if (ui_.ShowMessage(question, "Split", MessageKind::kYesNoDefaultNo) != Answer::kYes) {
    SetLine(InfoLine::kStatus, " Split Aborted");
    return SplitOutcome::kCancelled;
  }
  return std::nullopt;
}

// Recovery files go beside parts in a directory (and from there into the
// mail) or onto removable disks of a chosen part size, each onto a disk of
// its own; disks filled to their free space (the files' size is not known
// before the last part) and a set mailed from removable disks (whose
// recovery files are not in the drive together) go without them, and a
// count beyond the parts is refused, all before anything is written.
SplitRun::Step SplitRun::CheckRecoveryCount() {
  int count = request_.recoveryCount;
  if (count <= 0) return std::nullopt;
  if (removable_ && request_.fillToCapacity) {
    return Warn(
        "Recovery files cannot be written to disks filled to their free space yet.\nChoose a "
        "part size, or split without them.",
        "Split");
  }
  if (removable_ && Mailing()) {
    return Warn("Recovery files cannot be mailed from removable disks yet.\nSplit without them.",
                "Split");
  }
  if (count > planned_ || count > kMaxRecoveryFiles) {
    return Warn(Format("%d recovery files are more than the %d parts of this split.\nChoose at "
                       "most %d.",
                       count, planned_, std::min(planned_, kMaxRecoveryFiles)),
                "Split");
  }
  return std::nullopt;
}

// Parts on removable disks leave the machine with their disk, so each adds
// its share of the recovery data as it is written; the data waits in a
// temporary file off the disks.
SplitRun::Step SplitRun::StartRecoveryEncoder() {
  if (request_.recoveryCount <= 0 || Mailing()) return std::nullopt;
  auto encoder = IncrementalEncoder::Create(planned_, request_.recoveryCount, division_);
  if (!encoder) {
    return Warn(MessageText("Can not write the recovery files", TemporaryParent(),
                            encoder.error().Reason()),
                "Split");
  }
  encoder_.emplace(std::move(*encoder));
  encoder_->SetKeepGoing(KeepWaiting());
  return std::nullopt;
}

// Reads the part just written back into the recovery data while its disk is
// still in the drive.
SplitRun::Step SplitRun::AddToRecovery(const std::string& partPath) {
  if (!encoder_) return std::nullopt;
  if (auto added = encoder_->AddPart(partPath); !added) {
    if (auto stopped = StoppedInRecovery()) return stopped;
    return Warn(MessageText("Can not read the part back for the recovery files", partPath,
                            added.error().Reason()),
                "Split ABORTED");
  }
  return std::nullopt;
}

// A recovery step that ended on Stop ends the split as Stop does.
SplitRun::Step SplitRun::StoppedInRecovery() {
  if (!progress_ || !progress_->stopRequested()) return std::nullopt;
  SetLine(InfoLine::kStatus, " Aborted");
  return SplitOutcome::kStopped;
}

// A file under a recovery file's name that no earlier split of this file
// wrote is replaced only on Yes, as the manifest is.
SplitRun::Step SplitRun::ReplaceOtherRecoveryFiles(int first, int end) {
  for (int index = first; index < end; ++index) {
    std::string path = RecoveryPathFromBase(PartBase(), index);
    PartOccupant occupant = FindRecoveryOccupant(path, header_);
    if (occupant.kind == PartOccupant::Kind::kNone ||
        occupant.kind == PartOccupant::Kind::kSameSet) {
      continue;
    }
    std::string question = "A file (" + occupant.owner +
                           ") that is not this split's recovery file is in this directory; "
                           "replace it?";
    if (ui_.ShowMessage(question, "Split", MessageKind::kYesNoDefaultNo) != Answer::kYes) {
      SetLine(InfoLine::kStatus, " Split Aborted");
      return SplitOutcome::kCancelled;
    }
  }
  return std::nullopt;
}

// Writes the recovery files after the parts and the manifest. Each appears
// under its name only once it is whole; an earlier split's recovery files
// of this source beyond the new count would contradict the new parts and go.
SplitRun::Step SplitRun::WriteRecovery() {
  RemoveOldRecoveryFiles(request_.recoveryCount);
  if (request_.recoveryCount <= 0) return std::nullopt;
  std::string base = PartBase();
  if (auto end = TakeSourceDigest()) return end;
  RecoveryRequest recovery;
  for (int index = 0; index < index_; ++index) {
    recovery.partPaths.push_back(PartPath(request_.targetDirectory, path_, index));
  }
  recovery.base = base;
  recovery.recoveryCount = request_.recoveryCount;
  recovery.sourceDigest = *sourceDigest_;
  recovery.keepGoing = KeepWaiting();
  SetLine(InfoLine::kStatus, Format(" Writing: %s", RecoveryPathFromBase(base, 0)));
  ui_.Pump();
  if (auto written = WriteRecoveryFiles(recovery); !written) {
    if (auto stopped = StoppedInRecovery()) return stopped;
    return Warn(MessageText("Can not write the recovery files", RecoveryPathFromBase(base, 0),
                            written.error().Reason()),
                "Split ABORTED");
  }
  return std::nullopt;
}

// The source's SHA-256 for the recovery files' header: the manifest's, or
// read from the source when the set has no manifest.
SplitRun::Step SplitRun::TakeSourceDigest() {
  if (sourceDigest_) return std::nullopt;
  auto digest = DigestFile(path_);
  if (!digest) return Warn(MessageText("Can not read file", path_, digest.error().Reason()), path_);
  sourceDigest_ = *digest;
  return std::nullopt;
}

// Writes each recovery file onto a disk of its own after the last part's,
// so that losing any N disks of the set, the last one's included, leaves
// enough to rebuild it. Each disk is checked as the directory is: this
// source's recovery files beyond the count go, another set's are replaced
// only on Yes.
SplitRun::Step SplitRun::WriteRecoveryToDisks() {
  // None of this set's files is on the last part's disk yet: an earlier
  // split's would contradict it.
  RemoveOldRecoveryFiles(0);
  if (!encoder_) return std::nullopt;
  if (auto end = TakeSourceDigest()) return end;
  const std::string base = PartBase();
  for (int index = 0; index < request_.recoveryCount; ++index) {
    std::string path = RecoveryPathFromBase(base, index);
    if (auto end = AskForDisk(path, encoder_->FileSize())) return end;
    RemoveOldRecoveryFiles(request_.recoveryCount);
    if (auto end = ReplaceOtherRecoveryFiles(index, index + 1)) return end;
    SetLine(InfoLine::kStatus, Format(" Writing: %s", path));
    ui_.Pump();
    if (auto written = encoder_->WriteFile(base, index, *sourceDigest_); !written) {
      if (auto stopped = StoppedInRecovery()) return stopped;
      return Warn(MessageText("Can not write the recovery files", path, written.error().Reason()),
                  "Split ABORTED");
    }
  }
  return std::nullopt;
}

// Deletes this source's recovery files from index `first` on; another
// file's are left alone.
void SplitRun::RemoveOldRecoveryFiles(int first) {
  for (int index = first; index < kMaxRecoveryFiles; ++index) {
    std::string path = RecoveryPathFromBase(PartBase(), index);
    if (FindRecoveryOccupant(path, header_).kind == PartOccupant::Kind::kSameSet) {
      (void)RemoveFile(path);
    }
  }
}

// A line for each planned part and one for the joined file.
std::int64_t SplitRun::ManifestSizeEstimate() const {
  if (!request_.writeManifest) return 0;
  std::size_t name = std::max(FileNameOf(ManifestPath()).size(), JoinedName().size());
  // Disks filled to their space may take more parts than planned.
  auto lines = static_cast<std::size_t>(std::max(planned_, index_ + 1) + 1);
  return static_cast<std::int64_t>(lines * (2 * kSha256Size + 3 + name));
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
    if ((KindOf(first) != EntryKind::kNone)) break;
  }
  // A part 00 that cannot be updated keeps the planned count: the set then
  // does not join, which the joiner tells.
  if (auto part = File::OpenUpdate(first)) {
    auto count = static_cast<std::uint8_t>(index_);
    if (part->Seek(kPartCountOffset)) (void)part->Write(&count, 1);
  }
  return true;
}

}  // namespace

SplitOutcome SplitEngine::Run(const Selection& selection, int mailFrom) {
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
  if (auto source = File::OpenRead(path); !source) {
    ui_.ShowMessage(MessageText(path, path, source.error().Reason()), "Can not open file",
                    MessageKind::kOkWarning);
    return SplitOutcome::kFailed;
  }
  SplitForm form(ui_, settings_, selection.selectedPath, selection.fileSize);
  form.Open();
  // Nothing was split, so a cancelled dialog leaves every line as it was:
  // the status keeps the outcome of the last command it told.
  if (!ui_.RunSplitDialog(form)) return SplitOutcome::kCancelled;
  SplitRequest request = form.request();
  request.mailFrom = mailFrom;
  return Start(selection, request);
}

SplitOutcome SplitEngine::Start(const Selection& selection, SplitRequest request) {
  for (;;) {
    mailResume_.reset();
    // Mail settings that cannot be used are told before any part is written.
    if (!request.mailTo.empty() && mailer_ && !mailer_->CanMail(ui_)) {
      return SplitOutcome::kFailed;
    }
    SplitRun run(ui_, settings_, drives_, mailer_, selection, request);
    SplitOutcome outcome = run.Execute();
    mailResume_ = run.Resume();
    if (outcome != SplitOutcome::kMailFailed || !mailResume_ || !offerMailResume_) return outcome;
    std::string question = Format(
        "Part %d of %d and the parts after it were not mailed.\nSend the parts that were "
        "not mailed?",
        mailResume_->request.mailFrom + 1, mailResume_->partCount);
    if (ui_.ShowMessage(question, "Split", MessageKind::kYesNo) != Answer::kYes) return outcome;
    request = mailResume_->request;
  }
}

}  // namespace fennimar
