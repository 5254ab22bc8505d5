#include "mail/store/received_sets.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "format/manifest.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "recovery/recovery_format.h"

namespace fennimar {
namespace {

constexpr int kMaxPartIndex = 99;

std::optional<SetIdentity> IdentityOfFile(const std::string& path) {
  auto file = File::OpenRead(path);
  HeaderBytes bytes{};
  if (!file || !file->ReadAll(bytes.data(), bytes.size())) return std::nullopt;
  return IdentityOf(DecodeHeader(bytes));
}

void AddOnce(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

}  // namespace

Result<ReceivedSets> ReceivedSets::Gather(const std::vector<MailSource>& sources,
                                          const std::function<bool()>& stopRequested) {
  auto directory = LockedTempDirectory::Create("fennimar-mail-");
  if (!directory) return directory.error();
  ReceivedSets received(std::move(*directory));
  PartExtractor extractor(received.directory(), stopRequested);
  extractor.SetPlacement([&received](const SetIdentity& set, const std::string&) {
    std::string place = received.PlaceOf(set);
    return place.empty() ? SetPlace{{}, "no temporary directory for it"} : SetPlace{place, {}};
  });
  for (const MailSource& source : sources) {
    if (extractor.stopped()) {
      received.stopped_ = true;
      return received;
    }
    if (source.partFile) {
      received.LinkSet(source);
    } else if (!extractor.AddSource(source)) {
      received.refused_.push_back(source);
    }
  }
  extractor.PlaceManifests();
  received.extracted_ = extractor.results();
  received.stopped_ = extractor.stopped();
  for (const ExtractedPart& part : received.extracted_) {
    bool taken =
        part.outcome == ExtractOutcome::kWritten || part.outcome == ExtractOutcome::kDuplicate;
    if (!taken) continue;
    std::string place = DirectoryOf(part.path);
    if (part.outcome == ExtractOutcome::kWritten)
      received.labels_[part.path] = PartOriginText(part);
    AddOnce(received.from_[place], part.source);
    if (part.date) {
      auto [date, added] = received.dates_.emplace(place, *part.date);
      if (!added) date->second = std::max(date->second, *part.date);
    }
  }
  received.FindSets();
  return received;
}

// Each set gets a subdirectory of its own, numbered in the order met.
std::string ReceivedSets::PlaceOf(const SetIdentity& set) {
  for (const auto& [known, place] : places_) {
    if (known == set) return place;
  }
  std::string place = JoinPath(directory(), std::to_string(places_.size() + 1));
  if (!MakeDirectory(place)) return {};
  places_.emplace_back(set, place);
  return place;
}

// Links every part of the set that holds `part` into its set's directory,
// under its own name, unless a file of that name is there already.
void ReceivedSets::LinkSet(const MailSource& part) {
  std::string base = PartBaseOf(part.path);
  for (int k = 0; k <= kMaxPartIndex; ++k) {
    std::string path = PartPathFromBase(base, k);
    if (!IsPartFile(path)) continue;
    auto set = IdentityOfFile(path);
    std::string place = set ? PlaceOf(*set) : std::string();
    if (place.empty()) continue;
    std::string link = JoinPath(place, FileNameOf(path));
    if (!MakeSymbolicLink(path, link)) continue;
    labels_[link] = path;
    AddOnce(from_[place], DirectoryOf(path));
  }
}

void ReceivedSets::FindSets() {
  for (const auto& [identity, place] : places_) {
    std::map<int, std::string> parts;  // by index, the first name met
    auto names = DirectoryEntries(place);
    if (!names) continue;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
      auto index = PartIndexFromName(name);
      if (index && IsPartFile(JoinPath(place, name))) parts.emplace(*index, name);
    }
    if (parts.empty()) continue;
    std::string base = JoinPath(place, PartStem(parts.begin()->second));
    int recovery = TakeCompanions(place, base, identity, *names);
    // The merge reads the parts under one stem: a part that arrived under
    // another name takes the stem of the first one.
    for (const auto& [index, name] : parts) {
      std::string from = JoinPath(place, name);
      std::string to = PartPathFromBase(base, index);
      if (from != to && RenameNoReplace(from, to)) labels_[to] = LabelOf(from);
    }
    ReceivedSet set{identity, PartPathFromBase(base, 0), {}, from_[place], std::nullopt, recovery};
    if (auto date = dates_.find(place); date != dates_.end()) set.date = date->second;
    for (int k = 0; k < std::max(identity.count, 1); ++k) {
      if (!parts.count(k)) set.missing.push_back(FileNameOf(PartPathFromBase(base, k)));
    }
    sets_.push_back(std::move(set));
  }
}

// Gives the set's manifest and recovery files the names the join looks for
// beside the parts at `base`; the count of its recovery files.
int ReceivedSets::TakeCompanions(const std::string& place, const std::string& base,
                                 const SetIdentity& identity,
                                 const std::vector<std::string>& names) {
  int recovery = 0;
  for (const std::string& name : names) {
    std::string from = JoinPath(place, name);
    std::string to;
    if (auto index = RecoveryIndexFromName(name)) {
      auto file = File::OpenRead(from);
      RecoveryHeaderBytes bytes{};
      if (!file || !file->ReadAll(bytes.data(), bytes.size())) continue;
      RecoveryHeaderRead read = DecodeRecoveryHeader(bytes);
      if (read.fault != RecoveryFault::kNone || IdentityOf(read.header.SetHeader()) != identity)
        continue;
      ++recovery;
      to = RecoveryPathFromBase(base, *index);
    } else if (name.ends_with(kManifestSuffix)) {
      to = ManifestPathFromBase(base);
    }
    if (!to.empty() && from != to && RenameNoReplace(from, to)) labels_[to] = LabelOf(from);
  }
  return recovery;
}

std::string ReceivedSets::LabelOf(const std::string& path) const {
  auto label = labels_.find(path);
  return label != labels_.end() ? label->second : path;
}

}  // namespace fennimar
