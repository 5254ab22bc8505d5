#include "mail/store/mail_join.h"

#include <algorithm>
#include <optional>

#include "format/file_name.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "mail/mime/mime_parser.h"
#include "mail/store/mail_store.h"
#include "mail/store/received_sets.h"
#include "merge/merge_engine.h"
#include "merge/target_name.h"
#include "platform/directories.h"
#include "platform/download_directory.h"
#include "platform/file.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/system_error.h"
#include "text/ascii.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

// When the name the set stores is not the one its attachments suggest
// (INVOICE.Z00 holding .bash_profile), says so before the join, so that
// nobody looks for the wrong file afterwards.
std::optional<std::string> NameMismatchText(const ReceivedSet& set) {
  auto file = File::OpenRead(set.firstPart);
  HeaderBytes bytes{};
  if (!file || !file->ReadAll(bytes.data(), bytes.size())) {
    return std::nullopt;  // the merge tells what is wrong with the part
  }
  auto stored = SafeFileName(DecodeHeader(bytes).SourceName());
  std::string attachment = FileNameOf(set.firstPart);
  if (!stored || EqualsIgnoringAsciiCase(TargetStem(*stored), PartStem(attachment)))
    return std::nullopt;
  return attachment + " holds a part of the file " + *stored;
}

}  // namespace

std::string MissingPartsText(const std::vector<std::string>& missing) {
  std::string names;
  for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
  return missing.size() == 1 ? "Part " + names + " was not found in the mail"
                             : "Parts " + names + " were not found in the mail";
}

namespace {

// What a set without all of its parts lacks; a missing part that was in the
// mail, but could not be taken out, says why.
std::string IncompleteSetText(const ReceivedSet& set, const std::vector<ExtractedPart>& extracted) {
  std::string text = MissingPartsText(set.missing);
  for (const ExtractedPart& part : extracted) {
    bool lost =
        part.outcome == ExtractOutcome::kCutShort || part.outcome == ExtractOutcome::kFailed;
    if (lost && std::find(set.missing.begin(), set.missing.end(),
                          MimeParser::SafeFileName(part.name)) != set.missing.end()) {
      text += "\n" + ExtractResultText(part);
    }
  }
  return text;
}

}  // namespace

MailJoinOutcome JoinFromMail(UserInterface& ui, SettingsStore& settings, DriveQueries& drives,
                             const std::vector<MailSource>& sources,
                             const std::function<bool()>& stopRequested) {
  auto received = ReceivedSets::Gather(sources, stopRequested);
  if (!received) {
    ui.ShowMessage(
        MessageText("Can not create a temporary directory", "", received.error().Reason()), "Merge",
        MessageKind::kOkWarning);
    return MailJoinOutcome::kNothingFound;
  }
  if (received->stopped()) return MailJoinOutcome::kStopped;
  for (const MailSource& source : received->refused()) {
    ui.ShowMessage(!source.unreadable
                       ? "Not a mail message, mailbox, Maildir or part file"
                       : MessageText("Can not open file", source.label, source.unreadable->Reason()),
                   source.label, MessageKind::kOkWarning);
  }
  // A message that could not be read whole may have held a part.
  for (const ExtractedPart& part : received->extracted()) {
    if (part.outcome == ExtractOutcome::kUnreadable || part.outcome == ExtractOutcome::kLeftOut) {
      ui.ShowMessage(ExtractResultText(part), "Merge", MessageKind::kOkWarning);
    }
  }
  if (received->sets().empty()) {
    ui.ShowMessage("No part files found in the mail", "Merge", MessageKind::kOkWarning);
    return MailJoinOutcome::kNothingFound;
  }
  bool all = true;
  MergeEngine engine(ui, settings, drives);
  // A file from mail goes where the user's downloads go, never beside the
  // mailbox, which may be the home directory itself.
  // (Without any home directory, the working directory.)
  std::string downloads = DownloadDirectory();
  if (downloads.empty()) {
    auto working = AbsolutePath(".");
    downloads = working ? *working : "/";
  }
  engine.SetReceivedFromMail(downloads);
  for (const ReceivedSet& set : received->sets()) {
    if (stopRequested && stopRequested()) return MailJoinOutcome::kStopped;
    if (!set.complete()) {
      ui.ShowMessage(IncompleteSetText(set, received->extracted()), "Merge",
                     MessageKind::kOkWarning);
      all = false;
      continue;
    }
    if (auto mismatch = NameMismatchText(set)) {
      ui.ShowMessage(*mismatch, "Merge", MessageKind::kOk);
    }
    auto status = StatusOf(set.firstPart);
    MergeOutcome outcome = engine.Run({set.firstPart, status ? status->size : 0});
    if (outcome == MergeOutcome::kStopped) return MailJoinOutcome::kStopped;
    if (outcome != MergeOutcome::kComplete) all = false;
  }
  return all ? MailJoinOutcome::kAllJoined : MailJoinOutcome::kNotAllJoined;
}

}  // namespace fennimar
