#include "mail/store/mail_join.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "format/file_name.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "format/set_identity.h"
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

// "in inbox.mbox" or "in inbox.mbox, Maildir".
std::string SourcesText(const ReceivedSet& set) {
  std::string text;
  for (const std::string& source : set.sources)
    text += (text.empty() ? " in " : ", ") + FileNameOf(source);
  return text;
}

// What a set without all of its parts lacks; a missing part that was in the
// mail, but could not be taken out, says why. With other sets of its name
// about, the set is named first.
std::string IncompleteSetText(const ReceivedSet& set, const std::vector<ExtractedPart>& extracted,
                              bool named) {
  std::string text = named ? DisplayText(DescribeSet(set.identity)) + SourcesText(set) + ": " : "";
  text += MissingPartsText(set.missing);
  if (set.recovery > 0) {
    text += "; " + std::to_string(set.recovery) +
            (set.recovery == 1 ? " recovery part arrived" : " recovery parts arrived") +
            ", too few to rebuild them";
  }
  for (const ExtractedPart& part : extracted) {
    bool lost = part.outcome == ExtractOutcome::kCutShort ||
                part.outcome == ExtractOutcome::kFailed || part.outcome == ExtractOutcome::kNoPlace;
    // A part whose header did not arrive whole is known by its name alone.
    bool ofSet = part.set ? *part.set == set.identity : true;
    std::string name = part.set
                           ? FileNameOf(PartPathFromBase(PartBaseOf(set.firstPart), part.index))
                           : MimeParser::SafeFileName(part.name);
    if (lost && ofSet &&
        std::find(set.missing.begin(), set.missing.end(), name) != set.missing.end()) {
      text += "\n" + ExtractResultText(part);
    }
  }
  return text;
}

// The sets of each stored name, in the order the names were met.
std::vector<std::vector<const ReceivedSet*>> SetsByName(const std::vector<ReceivedSet>& sets) {
  std::vector<std::vector<const ReceivedSet*>> groups;
  for (const ReceivedSet& set : sets) {
    auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
      return g.front()->identity.name == set.identity.name;
    });
    if (group == groups.end()) {
      groups.push_back({&set});
    } else {
      group->push_back(&set);
    }
  }
  return groups;
}

// The newest joinable set of a name (whole, or with recovery files enough):
// by the time its header gives, then by the latest Date of its messages,
// then the one met last in the mail. None when none is joinable.
const ReceivedSet* NewestComplete(const std::vector<const ReceivedSet*>& group) {
  const ReceivedSet* newest = nullptr;
  for (const ReceivedSet* set : group) {
    if (set->joinable() && (!newest || std::make_pair(set->identity.time, set->date) >=
                                           std::make_pair(newest->identity.time, newest->date)))
      newest = set;
  }
  return newest;
}

// Tells of each set of a name that is not joined beside `chosen`. False when
// one of them is newer than the set joined, and incomplete: the user may
// have wanted that one.
bool TellSetsLeft(UserInterface& ui, const std::vector<const ReceivedSet*>& group,
                  const ReceivedSet& chosen, const std::vector<ExtractedPart>& extracted) {
  bool fine = true;
  for (const ReceivedSet* set : group) {
    if (set == &chosen) continue;
    std::string described = DisplayText(DescribeSet(set->identity)) + SourcesText(*set);
    if (!set->joinable() && set->identity.time > chosen.identity.time) {
      ui.ShowMessage("Not joined: the newer set " + IncompleteSetText(*set, extracted, true),
                     "Merge", MessageKind::kOkWarning);
      fine = false;
    } else {
      std::string which = !set->joinable()                            ? "an incomplete set of "
                          : set->identity.time < chosen.identity.time ? "an older set of "
                                                                      : "another set of ";
      ui.ShowMessage("Not joined: " + which + described, "Merge", MessageKind::kOk);
    }
  }
  return fine;
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
    ui.ShowMessage(!source.unreadable ? "Not a mail message, mailbox, Maildir or part file"
                                      : MessageText("Can not open file", source.label,
                                                    source.unreadable->Reason()),
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
  engine.SetPartLabel([&received](const std::string& path) { return received->LabelOf(path); });
  for (const auto& group : SetsByName(received->sets())) {
    if (stopRequested && stopRequested()) return MailJoinOutcome::kStopped;
    const ReceivedSet* chosen = NewestComplete(group);
    if (!chosen) {
      for (const ReceivedSet* set : group) {
        ui.ShowMessage(IncompleteSetText(*set, received->extracted(), group.size() > 1), "Merge",
                       MessageKind::kOkWarning);
      }
      all = false;
      continue;
    }
    if (!TellSetsLeft(ui, group, *chosen, received->extracted())) all = false;
    if (auto mismatch = NameMismatchText(*chosen)) {
      ui.ShowMessage(*mismatch, "Merge", MessageKind::kOk);
    }
    auto status = StatusOf(chosen->firstPart);
    MergeOutcome outcome = engine.Run({chosen->firstPart, status ? status->size : 0});
    if (outcome == MergeOutcome::kStopped) return MailJoinOutcome::kStopped;
    if (outcome != MergeOutcome::kComplete) all = false;
  }
  return all ? MailJoinOutcome::kAllJoined : MailJoinOutcome::kNotAllJoined;
}

}  // namespace fennimar
