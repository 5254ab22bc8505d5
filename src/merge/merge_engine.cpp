#include "merge/merge_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "copy/part_data_copy.h"
#include "copy/part_digests.h"
#include "format/file_name.h"
#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "format/path_limits.h"
#include "format/sha256.h"
#include "merge/disk_prompt_form.h"
#include "merge/merge_form.h"
#include "merge/set_check.h"
#include "merge/target_name.h"
#include "platform/buffered_writer.h"
#include "platform/directories.h"
#include "platform/directory_lock.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/pending_file.h"
#include "platform/system_error.h"
#include "recovery/recovery_format.h"
#include "recovery/recovery_rebuilder.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"
#include "text/printf_text.h"
#include "ui/ensure_directory.h"
#include "ui/message_text.h"
#include "ui/progress_dialog.h"

namespace fennimar {
namespace {

// How long a wait for the manifest's digests goes between two pumps.
constexpr std::chrono::milliseconds kDigestWaitStep{50};

constexpr std::string_view kInvalidPart = "Invalid Component File, Merge aborted\n";
// The text already ends its line; the part's path follows.
std::string InvalidPartText(const std::string& path) { return std::string(kInvalidPart) + path; }

// The directory whose drive decides the "insert floppy" wait.
std::string DirectoryForDriveQuery(const std::string& path) {
  std::string directory = DirectoryOf(path);
  if (!directory.empty()) return directory;
  return !path.empty() && path[0] == kPathSeparator ? std::string(kRootDirectory) : ".";
}

// The stored name as text: the field up to its first zero, all 70 bytes when
// there is none.
std::string StoredName(const PartHeader& header) { return header.SourceName(); }

// The SHA-256 of the result, read while it is still open for writing.
Result<Sha256Digest> DigestResult(const std::string& path) {
  auto file = File::OpenReadWhileWritten(path);
  if (!file) return file.error();
  Sha256 digest;
  std::vector<std::uint8_t> block(std::size_t{1} << 20);
  for (;;) {
    auto read = file->Read(block.data(), block.size());
    if (!read) return read.error();
    if (*read == 0) break;
    digest.Add(block.data(), *read);
  }
  return digest.Finish();
}

// One merge, from the dialog to the last message. Members hold what the run
// owns; their destructors release it on every way out.
class MergeRun {
 public:
  MergeRun(UserInterface& ui, SettingsStore& settings, DriveQueries& drives,
           const std::optional<settings::ChecksumErrorAction>& checksumErrorAction,
           const std::string& proposedDirectory, const MergeEngine::PartLabel& partLabel)
      : ui_(ui),
        settings_(settings),
        drives_(drives),
        checksumErrorAction_(checksumErrorAction),
        proposedDirectory_(proposedDirectory),
        partLabel_(partLabel) {}

  MergeOutcome Run(const Selection& selection);

 private:
  bool Ask(std::string_view text, std::string_view caption, MessageKind kind, Answer yes) {
    return ui_.ShowMessage(text, caption, kind) == yes;
  }
  MergeOutcome Tell(std::string_view text, std::string_view caption, MessageKind kind,
                    MergeOutcome outcome = MergeOutcome::kFailed) {
    ui_.ShowMessage(text, caption, kind);
    return outcome;
  }
  // Drops what was written; the final name keeps what it held.
  void DiscardTarget() {
    writer_.reset();
    target_.reset();
  }
  MergeOutcome RefusePart(const std::string& partPath) {
    DiscardTarget();
    return Tell(InvalidPartText(Shown(partPath)), Shown(partPath), MessageKind::kOk);
  }
  // How a part is named in messages.
  std::string Shown(const std::string& path) const { return partLabel_ ? partLabel_(path) : path; }

  std::optional<MergeOutcome> PrepareDirectory(const MergeForm& form);
  std::optional<MergeOutcome> OpenFirstPart(const std::string& selectedPath);
  void UseFirstHeader(const PartHeader& header);
  bool TakeFirstFromRecovery();
  std::optional<MergeOutcome> AskForHiddenName();
  std::optional<MergeOutcome> SurveySet();
  void FindRecovery();
  bool AnyLost() const { return std::find(lost_.begin(), lost_.end(), true) != lost_.end(); }
  std::optional<MergeOutcome> WriteLostPlace(int index);
  std::optional<MergeOutcome> RebuildLost();
  std::string TooManyLostText(const std::vector<FaultyPart>& faults) const;
  void CheckManifest();
  std::optional<MergeOutcome> AwaitDigests();
  std::optional<MergeOutcome> AskToReplace(const std::string& path);
  std::optional<MergeOutcome> CreateTarget();
  bool TargetIsOneOfTheParts() const;
  std::optional<MergeOutcome> OpenLaterPart(int index, File& part, PartHeader& header,
                                            std::int64_t& partSize);
  std::optional<MergeOutcome> CheckSlice(const std::string& partPath, const PartHeader& header,
                                         std::int64_t partSize);
  std::optional<MergeOutcome> CopyPart(int index, const std::string& partPath, File& part,
                                       const PartHeader& header);
  std::optional<MergeOutcome> CopyParts();
  MergeOutcome Finish();
  void KeepMode(File& result) const;

  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  const std::optional<settings::ChecksumErrorAction>& checksumErrorAction_;
  const std::string& proposedDirectory_;
  const MergeEngine::PartLabel& partLabel_;

  std::string directory_;
  std::string partBase_;
  std::string firstPath_;
  std::optional<File> first_;  // empty when part 00 is lost (firstLost_)
  bool firstLost_ = false;
  std::int64_t firstSize_ = 0;
  PartHeader reference_;
  std::int64_t total_ = 0;  // the source's length part 00 gives; 0 in an early version's set
  int partCount_ = 0;
  std::string referenceName_;
  std::string name_;  // the target's file name, from the stored name
  std::string stem_;
  std::string targetPath_;
  std::optional<DirectoryLock> lock_;
  // The result, under its temporary name until every check has passed.
  std::optional<PendingFile> target_;
  // Declared after the target: on every way out it hands its last bytes to
  // the target before the target is closed.
  std::optional<BufferedWriter> writer_;
  std::optional<ProgressDialog> progress_;
  std::int64_t bytesCopied_ = 0;
  std::int64_t slicesTotal_ = 0;  // the data lengths of the parts read so far
  int errorCount_ = 0;
  ManifestUse manifest_;
  // With a usable manifest: the digests of the parts joined so far, read on
  // a thread of their own.
  std::optional<PartDigests> digests_;
  // The set's sound recovery files, found beside part 00 before the join.
  std::optional<RecoveryFiles> recovery_;
  // With recovery files: the parts found missing or damaged, by index, whose
  // data is rebuilt into the result before it takes its name.
  std::vector<bool> lost_;
};

MergeOutcome MergeRun::Run(const Selection& selection) {
  const std::string& selectedPath = selection.selectedPath;
  if (selectedPath.empty()) {
    return Tell("File not selected, select file first", "Merge", MessageKind::kOkWarning);
  }
  MergeForm form(settings_, selectedPath, proposedDirectory_);
  if (!ui_.RunMergeDialog(form)) return MergeOutcome::kCancelled;

  // Parts taken out of mail lie in a temporary directory whose path is no
  // path the user gave.
  if (proposedDirectory_.empty() && selectedPath.size() > kMaxSelectedPathLength) {
    return Tell(MessageText("File path too long", selectedPath), selectedPath,
                MessageKind::kOkWarning);
  }
  // Everything part 00 says is checked, and a hidden name answered, before a
  // directory is created or a target touched.
  if (auto end = OpenFirstPart(selectedPath)) return *end;
  if (auto end = AskForHiddenName()) return *end;
  if (auto end = SurveySet()) return *end;
  if (auto end = PrepareDirectory(form)) return *end;
  ui_.SetInfoLine(InfoLine::kSize, " File size: " + std::to_string(firstSize_));
  ui_.SetInfoLine(InfoLine::kSize, " File size: " + std::to_string(total_));
  targetPath_ = JoinPath(directory_, name_);
  ui_.SetInfoLine(InfoLine::kTarget, " Target File: " + targetPath_);

  // Writing the result over one of the parts it is read from would destroy
  // the set before it is joined.
  if (TargetIsOneOfTheParts()) {
    return Tell(InvalidPartText(Shown(firstPath_)), Shown(firstPath_), MessageKind::kOk);
  }
  // One writer per directory: another run's result is never replaced halfway,
  // and the question below is answered about what the directory holds.
  lock_.emplace(directory_);
  if (lock_->state() == DirectoryLock::State::kBusy) {
    return Tell(kDirectoryBusyText, "Merge", MessageKind::kOkWarning);
  }
  if (auto end = AskToReplace(targetPath_)) return *end;
  if (drives_.GetAvailableSpace(directory_) < static_cast<std::uint64_t>(total_)) {
    return Tell("Not enough hard disk space in target directory", "Merge", MessageKind::kOkWarning);
  }
  // A FAT disk holds no file of 4 GiB or more: said now, not after 4 GiB.
  if (drives_.GetLargestFile(directory_) < static_cast<std::uint64_t>(total_)) {
    return Tell(
        MessageText("The target directory's file system cannot hold a file this large", directory_),
        "Merge", MessageKind::kOkWarning);
  }

  WaitCursor waitCursor(ui_);
  std::string merging = Format(" Merging %d files to create: %s", partCount_, targetPath_);
  ui_.SetInfoLine(InfoLine::kTarget, merging);
  if (auto end = CreateTarget()) return *end;
  writer_.emplace(target_->file());
  progress_.emplace(ui_);
  progress_->SetStatusText(merging);
  if (manifest_.state == ManifestUse::State::kUsable) digests_.emplace();
  if (auto end = CopyParts()) return *end;
  if (auto end = AwaitDigests()) return *end;
  return Finish();
}

std::optional<MergeOutcome> MergeRun::CopyParts() {
  auto targetIdentity = target_->file().Identity();
  for (int index = 0; index < partCount_; ++index) {
    std::optional<File> later;
    File* part = first_ ? &*first_ : nullptr;
    PartHeader header = reference_;
    std::int64_t partSize = firstSize_;
    std::string partPath = firstPath_;
    if (index < static_cast<int>(lost_.size()) && lost_[static_cast<std::size_t>(index)]) {
      if (auto end = WriteLostPlace(index)) return *end;
      continue;
    }
    if (index > 0) {
      later.emplace();
      if (auto end = OpenLaterPart(index, *later, header, partSize)) return *end;
      part = &*later;
      partPath = PartPathFromBase(partBase_, index);
      if (auto identity = part->Identity();
          targetIdentity && identity && *identity == *targetIdentity) {
        return RefusePart(partPath);
      }
    }
    if (!part) return RefusePart(partPath);  // a lost part 00 is always rebuilt
    ui_.SetInfoLine(InfoLine::kStatus, " Reading: " + Shown(partPath));
    // With recovery files, a part whose data does not fit its file or the
    // length the set gives it is rebuilt like a missing one.
    if (recovery_ &&
        (header.dataLength != static_cast<std::int64_t>(
                                  recovery_->header.dataLengths[static_cast<std::size_t>(index)]) ||
         header.dataLength > partSize - std::int64_t{kHeaderSize})) {
      lost_[static_cast<std::size_t>(index)] = true;
      if (index == 0) first_.reset();
      if (auto end = WriteLostPlace(index)) return *end;
      continue;
    }
    if (auto end = CheckSlice(partPath, header, partSize)) return *end;
    if (auto end = CopyPart(index, partPath, *part, header)) return *end;
    if (digests_) digests_->Add(partPath);
    if (index == 0) first_.reset();
  }
  // The slices add up to the source's length exactly: a set that ends
  // short of it lacks a part that its count does not announce.
  if (total_ > 0 && slicesTotal_ != total_) {
    return RefusePart(PartPathFromBase(partBase_, partCount_ - 1));
  }
  return std::nullopt;
}

// Holds a lost part's place in the result with zeros, its length as the
// recovery files give it; the rebuild writes its data there.
std::optional<MergeOutcome> MergeRun::WriteLostPlace(int index) {
  std::int64_t length = recovery_->header.dataLengths[static_cast<std::size_t>(index)];
  slicesTotal_ += length;
  static constexpr std::uint8_t kZeros[4096] = {};
  for (std::int64_t left = length; left > 0;) {
    auto size = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof kZeros));
    if (!writer_->Append(kZeros, size)) {
      DiscardTarget();
      return Tell("Disk write error or disk full!!!", "Merge ABORTED", MessageKind::kOk);
    }
    left -= static_cast<std::int64_t>(size);
  }
  bytesCopied_ += length;
  return std::nullopt;
}

void MergeRun::FindRecovery() {
  recovery_ = FindRecoveryFiles(partBase_, reference_, manifest_, name_);
  if (recovery_) lost_.assign(static_cast<std::size_t>(partCount_), false);
}

std::string MergeRun::TooManyLostText(const std::vector<FaultyPart>& faults) const {
  return Format(
      "%d parts of %d are missing or damaged, more than the %d sound recovery parts can "
      "rebuild; the set cannot be rebuilt, merge aborted:\n%s",
      static_cast<int>(faults.size()), partCount_, recovery_->sound,
      ListFaults(faults, [this](const std::string& path) { return Shown(path); }));
}

// Rebuilds the lost parts' data from the recovery files into the result at
// their places, then checks the whole result against the digest of the file
// that was split: a result it contradicts never takes the target's name.
std::optional<MergeOutcome> MergeRun::RebuildLost() {
  if (!recovery_ || !AnyLost()) return std::nullopt;
  std::vector<FaultyPart> faults;
  RebuildRequest request;
  request.set = recovery_->header;
  request.recoveryPaths = recovery_->paths;
  std::vector<std::int64_t> offsets;
  std::int64_t offset = 0;
  for (int index = 0; index < partCount_; ++index) {
    std::string path = PartPathFromBase(partBase_, index);
    bool lost = lost_[static_cast<std::size_t>(index)];
    if (lost) faults.push_back({path, PartFault::kChecksum});
    request.partPaths.push_back(lost ? std::string() : path);
    offsets.push_back(offset);
    offset += recovery_->header.dataLengths[static_cast<std::size_t>(index)];
  }
  if (static_cast<int>(faults.size()) > recovery_->sound) {
    DiscardTarget();
    for (FaultyPart& fault : faults) {
      if (KindOf(fault.path) == EntryKind::kNone) fault.fault = PartFault::kMissing;
    }
    return Tell(TooManyLostText(faults), "Merge", MessageKind::kOkWarning);
  }
  ui_.SetInfoLine(InfoLine::kStatus, " Rebuilding from: " + Shown(recovery_->paths.front().empty()
                                                                      ? partBase_
                                                                      : recovery_->paths.front()));
  File& result = target_->file();
  auto rebuilt = RebuildParts(
      request, [&](int part, std::int64_t at, std::span<const std::uint8_t> data) -> Result<void> {
        ui_.Pump();
        if (progress_->stopRequested()) {
          return SystemError::WithReason("cannot rebuild the lost parts", "stopped");
        }
        if (auto placed = result.Seek(offsets[static_cast<std::size_t>(part)] + at); !placed) {
          return placed;
        }
        return result.Write(data.data(), data.size());
      });
  if (!rebuilt) {
    DiscardTarget();
    if (progress_->stopRequested()) {
      ui_.SetInfoLine(InfoLine::kStatus, " Aborted");
      return MergeOutcome::kStopped;
    }
    return Tell(MessageText("Can not rebuild the lost parts", rebuilt.error().Reason()),
                "Merge ABORTED", MessageKind::kOk);
  }
  auto digest = DigestResult(target_->path());
  if (!digest || *digest != recovery_->header.sourceDigest) {
    DiscardTarget();
    return Tell(
        "The rebuilt file does not match the SHA-256 digest of the file that was split, merge "
        "aborted",
        "Merge ABORTED", MessageKind::kOk);
  }
  std::string text;
  for (int index = 0; index < partCount_; ++index) {
    if (!lost_[static_cast<std::size_t>(index)]) continue;
    if (!text.empty()) text += "\n";
    text += Format("Part %d was rebuilt from the recovery parts (%s)", index,
                   Shown(PartPathFromBase(partBase_, index)));
  }
  ui_.ShowMessage(text, "Merge", MessageKind::kOk);
  return std::nullopt;
}

// Data that does not fit its file, or slices that pass the source's length
// (a small set's stays below 2 GiB), are not a part of a set this program
// wrote. A set of the first version stores no total (0); its slices are only
// held below 2 GiB.
std::optional<MergeOutcome> MergeRun::CheckSlice(const std::string& partPath,
                                                 const PartHeader& header, std::int64_t partSize) {
  slicesTotal_ += header.dataLength;
  bool large = reference_.IsLargeSet();
  if (header.dataLength < (large ? 1 : 0) ||
      header.dataLength > partSize - std::int64_t{kHeaderSize} ||
      (large && header.dataLength > kMaxPartData) ||
      slicesTotal_ > (total_ > 0 ? total_ : kMaxSmallSetSize)) {
    return RefusePart(partPath);
  }
  return std::nullopt;
}

std::optional<MergeOutcome> MergeRun::PrepareDirectory(const MergeForm& form) {
  directory_ = form.directory().empty() ? std::string(kRootDirectory) : form.directory();
  if (auto end = EndUnlessThere<MergeOutcome>(EnsureDirectory(ui_, directory_, "Merge"))) {
    return end;
  }
  ui_.SetInfoLine(InfoLine::kDirectory, " Directory: " + directory_);
  return std::nullopt;
}

std::optional<MergeOutcome> MergeRun::OpenFirstPart(const std::string& selectedPath) {
  partBase_ = PartBaseOf(selectedPath);
  firstPath_ = PartPathFromBase(partBase_, 0);
  // Parts on removable media: the user may still have to insert the first one.
  while (KindOf(firstPath_) == EntryKind::kNone &&
         drives_.GetDriveKind(DirectoryForDriveQuery(firstPath_)) == DriveKind::kRemovable) {
    if (!Ask("Please insert floppy disc with file " + firstPath_, "Merge",
             MessageKind::kRetryCancel, Answer::kRetry)) {
      return MergeOutcome::kCancelled;
    }
  }
  auto first = File::OpenRead(firstPath_);
  if (!first) {
    if (TakeFirstFromRecovery()) return std::nullopt;
    return Tell(MessageText("Can not open file", Shown(firstPath_), first.error().Reason()),
                Shown(firstPath_), MessageKind::kOkWarning);
  }
  first_ = std::move(*first);
  auto size = first_->Size();
  firstSize_ = size ? *size : -1;  // too short to be a part

  // Part 00 is part 0 of a set of 1 to 100 parts. A negative total other
  // than the large-set mark is refused here, as earlier versions refuse the
  // mark itself.
  HeaderBytes bytes{};
  if (firstSize_ < std::int64_t{kHeaderSize} || !first_->ReadAll(bytes.data(), bytes.size()) ||
      !IsFirstHeader(DecodeHeader(bytes), firstSize_ - std::int64_t{kHeaderSize})) {
    if (TakeFirstFromRecovery()) return std::nullopt;
    return Tell(InvalidPartText(Shown(firstPath_)), Shown(firstPath_), MessageKind::kOk);
  }
  UseFirstHeader(DecodeHeader(bytes));
  return std::nullopt;
}

void MergeRun::UseFirstHeader(const PartHeader& header) {
  reference_ = header;
  partCount_ = reference_.partCount;
  total_ = reference_.SourceSize();
  referenceName_ = StoredName(reference_);
  name_ = *SafeFileName(referenceName_);
  stem_ = TargetStem(name_);
}

// A part 00 that is missing or cannot be used is rebuilt like any lost part
// when the set's recovery files say what its header held.
bool MergeRun::TakeFirstFromRecovery() {
  auto header = FirstHeaderFromRecovery(partBase_);
  if (!header) return false;
  first_.reset();
  firstSize_ = 0;
  firstLost_ = true;
  UseFirstHeader(*header);
  return true;
}

// A hidden name may be a start-up file of the user's shell; a part, which
// may have come from anyone, never creates or replaces one unless the person
// says so (no "yes to everything" answers this).
std::optional<MergeOutcome> MergeRun::AskForHiddenName() {
  if (!IsHiddenName(name_)) return std::nullopt;
  if (!Ask(MessageText("The joined file would be a hidden file, whose name starts with a dot:",
                       name_, "Create it?"),
           "Merge", MessageKind::kYesNoOwnAnswer, Answer::kYes)) {
    return MergeOutcome::kCancelled;
  }
  return std::nullopt;
}

// Before anything is written: the manifest, when there is one, and every
// later part's presence and header, so that several missing or foreign parts
// are named together. A single one is left to the join, which asks for a
// missing part (it may be on another disk or elsewhere) and refuses a
// foreign one by its name. Parts on removable disks come one disk at a time
// and are not looked for here.
std::optional<MergeOutcome> MergeRun::SurveySet() {
  manifest_ = LoadManifest(partBase_, name_);
  if (manifest_.state == ManifestUse::State::kRefused) {
    ui_.ShowMessage(RefusedManifestText(manifest_), "Merge", MessageKind::kOkWarning);
  }
  std::vector<FaultyPart> faults;
  if (firstLost_) {
    // Without part 00 the join is a rebuild, on a removable disk too.
    FindRecovery();
    if (!recovery_) {
      return Tell(MessageText("Part 00 is missing or damaged, and no sound recovery file can "
                              "rebuild it, merge aborted",
                              Shown(firstPath_)),
                  Shown(firstPath_), MessageKind::kOkWarning);
    }
    lost_[0] = true;
    faults.push_back({firstPath_, UnusableFirstPartFault(firstPath_)});
  }
  if (drives_.GetDriveKind(DirectoryForDriveQuery(firstPath_)) == DriveKind::kRemovable) {
    return std::nullopt;
  }
  if (!firstLost_) FindRecovery();
  for (int index = 1; index < partCount_; ++index) {
    std::string path = PartPathFromBase(partBase_, index);
    if (PartFault fault = CheckPartHeader(path, index, reference_); fault != PartFault::kNone) {
      faults.push_back({path, fault});
      if (recovery_) lost_[static_cast<std::size_t>(index)] = true;
    }
  }
  // Parts that are missing or not this set's are rebuilt when there are
  // recovery files enough; damage in the data shows as the join reads it.
  if (recovery_) {
    if (static_cast<int>(faults.size()) <= recovery_->sound) return std::nullopt;
    return Tell(TooManyLostText(faults), "Merge", MessageKind::kOkWarning);
  }
  if (faults.size() < 2) return std::nullopt;
  bool onlyMissing = std::all_of(faults.begin(), faults.end(), [](const FaultyPart& part) {
    return part.fault == PartFault::kMissing;
  });
  std::string list = ListFaults(faults, [this](const std::string& path) { return Shown(path); });
  if (onlyMissing) {
    ui_.ShowMessage(Format("%d parts of %d are missing:\n%s", static_cast<int>(faults.size()),
                           partCount_, list),
                    "Merge", MessageKind::kOkWarning);
    return std::nullopt;
  }
  return Tell(Format("%d parts of %d are missing or damaged, merge aborted:\n%s",
                     static_cast<int>(faults.size()), partCount_, list),
              "Merge", MessageKind::kOkWarning);
}

// The digests may still be on their way after the last part: the window
// stays painted and Stop ends the wait, and the merge, as during the copy.
std::optional<MergeOutcome> MergeRun::AwaitDigests() {
  if (!digests_) return std::nullopt;
  ui_.SetInfoLine(InfoLine::kStatus, " Checking: " + Shown(manifest_.path));
  while (!digests_->WaitFor(kDigestWaitStep)) {
    ui_.Pump();
    if (progress_->stopRequested()) {
      ui_.SetInfoLine(InfoLine::kStatus, " Aborted");
      return MergeOutcome::kStopped;
    }
  }
  return std::nullopt;
}

// Compares the digests of what was joined with the manifest's lines. Every
// part and the joined file that the manifest contradicts are named in one
// message and count as checksum errors: such a join is never a success.
void MergeRun::CheckManifest() {
  if (!digests_) return;
  auto computed = digests_->Finish(name_);
  digests_.reset();
  if (!computed) {
    ui_.ShowMessage(
        MessageText("Can not read the parts for the manifest's check", computed.error().Reason()),
        "Merged file may be corrupted", MessageKind::kOk);
    ++errorCount_;
    return;
  }
  std::vector<std::string> names = ContradictedNames(*computed, manifest_.manifest);
  if (recovery_) {
    // Parts the manifest contradicts are rebuilt like damaged ones, and the
    // joined file is then checked once more, as a whole.
    std::erase_if(names, [this](const std::string& name) {
      for (int index = 0; index < partCount_; ++index) {
        if (name == FileNameOf(PartPathFromBase(partBase_, index))) {
          lost_[static_cast<std::size_t>(index)] = true;
          return true;
        }
      }
      return false;
    });
    if (AnyLost()) std::erase(names, name_);
  }
  if (names.empty()) return;
  std::string text = "The SHA-256 digests in " + manifest_.path + " differ for:";
  for (const std::string& name : names) {
    text += "\n" + (name == name_ ? name + " (the joined file)" : name);
  }
  ui_.ShowMessage(text, "Merged file may be corrupted", MessageKind::kOk);
  errorCount_ += static_cast<int>(names.size());
}

bool MergeRun::TargetIsOneOfTheParts() const {
  auto target = StatusOf(targetPath_);
  if (!target) return false;
  for (int index = 0; index < std::max(partCount_, 1); ++index) {
    auto part = StatusOf(PartPathFromBase(partBase_, index));
    if (part && part->identity == target->identity) return true;
  }
  return false;
}

std::optional<MergeOutcome> MergeRun::AskToReplace(const std::string& path) {
  // A dangling symbolic link is an existing entry too.
  if ((KindOf(path, Links::kTakeAsIs) != EntryKind::kNone) &&
      !Ask("Target File exists overwrite?", "Merge", MessageKind::kYesNoDefaultNo, Answer::kYes)) {
    return MergeOutcome::kCancelled;
  }
  return std::nullopt;
}

std::optional<MergeOutcome> MergeRun::CreateTarget() {
  auto created = PendingFile::Create(targetPath_);
  if (!created) {
    // A name the file system refuses may lose its second dot and be tried
    // once more.
    auto cut = StripSecondDot(targetPath_);
    if (!cut) {
      return Tell(MessageText("Can not create", targetPath_, created.error().Reason()), targetPath_,
                  MessageKind::kOk);
    }
    if (auto end = AskToReplace(*cut)) return *end;
    targetPath_ = *cut;
    if (TargetIsOneOfTheParts()) {
      return Tell(InvalidPartText(Shown(firstPath_)), Shown(firstPath_), MessageKind::kOk);
    }
    created = PendingFile::Create(targetPath_);
    if (!created) {
      return Tell(MessageText("Can not create", targetPath_, created.error().Reason()), targetPath_,
                  MessageKind::kOk);
    }
    ui_.ShowMessage(MessageText("Striping second '.' from target file name", targetPath_),
                    targetPath_, MessageKind::kOk);
  }
  target_ = std::move(*created);
  return std::nullopt;
}

std::optional<MergeOutcome> MergeRun::OpenLaterPart(int index, File& part, PartHeader& header,
                                                    std::int64_t& partSize) {
  std::string partPath = PartPathFromBase(partBase_, index);
  while (KindOf(partPath) == EntryKind::kNone) {
    // The parts joined so far are read for their digests before a disk goes.
    if (digests_) digests_->Wait();
    DiskPromptForm prompt(partPath);
    if (!ui_.RunDiskPrompt(prompt)) {
      DiscardTarget();
      ui_.SetInfoLine(InfoLine::kStatus, " Merge Aborted");
      return MergeOutcome::kCancelled;
    }
    if (!prompt.newPath().empty()) {
      // The parts are elsewhere: this one and all later ones are looked for
      // there, under the stem of the stored name.
      partBase_ = JoinPath(prompt.newPath(), stem_);
      partPath = PartPathFromBase(partBase_, index);
    }
  }

  auto opened = File::OpenRead(partPath);
  if (!opened) {
    DiscardTarget();
    return Tell(
        MessageText("Can't open file, merge aborted", Shown(partPath), opened.error().Reason()),
        Shown(partPath), MessageKind::kOk);
  }
  part = std::move(*opened);
  auto size = part.Size();
  if (!size) return Tell("FAIL", "_fstat", MessageKind::kOk);
  partSize = *size;

  HeaderBytes bytes{};
  if (!part.ReadAll(bytes.data(), bytes.size())) {
    return RefusePart(partPath);
  }
  header = DecodeHeader(bytes);
  if (!BelongsToSet(header, index, reference_)) return RefusePart(partPath);
  return std::nullopt;
}

std::optional<MergeOutcome> MergeRun::CopyPart(int index, const std::string& partPath, File& part,
                                               const PartHeader& header) {
  PartChecksum sum;
  RunProgress progress{*progress_, ui_, bytesCopied_, total_};
  CopyResult copy = CopyPartData(part, *writer_, header.dataLength, sum, progress);
  bytesCopied_ = progress.done;
  if (copy.end == CopyEnd::kStopped) {
    ui_.SetInfoLine(InfoLine::kStatus, " Aborted");
    return MergeOutcome::kStopped;
  }
  if (copy.end == CopyEnd::kWriteFailed) {
    DiscardTarget();
    return Tell("Disk write error or disk full!!!", "Merge ABORTED", MessageKind::kOk);
  }
  // A part that ends early shows in its checksum and in the final size check.
  // With recovery files, a damaged part is rebuilt after the join.
  if (sum.Value() != header.checksum && recovery_) {
    lost_[static_cast<std::size_t>(index)] = true;
  } else if (sum.Value() != header.checksum) {
    ui_.ShowMessage(
        Format("Checksum error for file %s should be %04X is %04X", Shown(partPath),
               static_cast<unsigned>(header.checksum), static_cast<unsigned>(sum.Value())),
        "Merged file may be corrupted", MessageKind::kOk);
    ++errorCount_;
  }
  return std::nullopt;
}

MergeOutcome MergeRun::Finish() {
  bool written = writer_->Flush().ok();
  writer_.reset();
  CheckManifest();
  // A result the disk did not take in full is told below.
  if (written) {
    if (auto end = RebuildLost()) return *end;
  }
  File& result = target_->file();
  if (errorCount_ != 0) {
    // Any text but "ABORT" keeps the file.
    auto action =
        checksumErrorAction_
            ? *checksumErrorAction_
            : settings::ParseChecksumErrorAction(
                  settings_.ReadSetting(settings::kSection, settings::kOnChecksumError,
                                        settings::kChecksumErrorFallback, settings::kShortValue),
                  settings::ChecksumErrorAction::kContinue);
    if (action == settings::ChecksumErrorAction::kAbort) {
      ui_.ShowMessage(Format(" %d checksum errors, merge aborted", errorCount_), "Abort",
                      MessageKind::kOk);
      DiscardTarget();
    } else {
      // The user keeps what was joined, damage and all, but never a file the
      // disk did not take in full in place of the one the name holds.
      KeepMode(result);
      if (!written || !target_->Commit()) {
        DiscardTarget();
        return Tell("Disk write error or disk full!!!", "Merge ABORTED", MessageKind::kOk);
      }
    }
    return MergeOutcome::kChecksumErrors;
  }

  progress_.reset();
  auto size = result.Size();
  if (!size) return Tell("Can not open file", targetPath_, MessageKind::kOk);
  // A failed write may have lost data that the size does not show.
  if (!written || *size != total_) {
    if (total_ > 0 || !written) {
      DiscardTarget();
      return Tell("Disk write error or disk full!!!", "Merge ABORTED", MessageKind::kOk);
    }
    // Sets from the first version store no total; their size cannot be checked.
    ui_.ShowMessage("Files created with FENNI ver 1.02", "Please verify merge file",
                    MessageKind::kOk);
  }
  KeepMode(result);
  if (std::int64_t time = reference_.ModifiedTime(); time != 0) {
    (void)SetFileTimes(target_->path(), time, time);  // the data is whole without it
  }
  // Only now does the final name change: the joined file replaces what it held.
  if (!target_->Commit()) {
    return Tell("Disk write error or disk full!!!", "Merge ABORTED", MessageKind::kOk);
  }
  ui_.SetInfoLine(InfoLine::kStatus, " Merge Complete");
  return MergeOutcome::kComplete;
}

// A file that is replaced keeps its permission bits.
void MergeRun::KeepMode(File& result) const {
  if (KindOf(targetPath_, Links::kTakeAsIs) != EntryKind::kRegular) return;
  if (auto status = StatusOf(targetPath_)) (void)result.SetMode(status->mode);
}

}  // namespace

MergeOutcome MergeEngine::Run(const Selection& selection) {
  MergeRun run(ui_, settings_, drives_, checksumErrorAction_, proposedDirectory_, partLabel_);
  return run.Run(selection);
}

}  // namespace fennimar
