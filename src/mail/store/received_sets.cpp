#include "mail/store/received_sets.h"

#include <cstdint>
#include <map>
#include <set>

#include "format/part_name.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"

namespace fennimar {
namespace {

constexpr int kMaxPartIndex = 99;

// The part count that the first byte of a part file stores, or none.
std::optional<int> StoredCount(const std::string& path) {
  auto file = File::OpenRead(path);
  std::uint8_t count = 0;
  if (!file || !file->ReadAll(&count, 1)) return std::nullopt;
  return count;
}

}  // namespace

Result<ReceivedSets> ReceivedSets::Gather(const std::vector<MailSource>& sources,
                                          const std::function<bool()>& stopRequested) {
  auto directory = LockedTempDirectory::Create("fennimar-mail-");
  if (!directory) return directory.error();
  ReceivedSets received(std::move(*directory));
  PartExtractor extractor(received.directory(), stopRequested);
  for (const MailSource& source : sources) {
    if (extractor.stopped()) {
      received.stopped_ = true;
      return received;
    }
    if (source.partFile) {
      received.LinkSet(source.path);
    } else if (!extractor.AddSource(source)) {
      received.refused_.push_back(source);
    }
  }
  received.extracted_ = extractor.results();
  received.stopped_ = extractor.stopped();
  received.FindSets();
  return received;
}

// Links every part of the set that holds `part` into the directory, under
// its own name, unless a file of that name is there already.
void ReceivedSets::LinkSet(const std::string& part) {
  std::string base = PartBaseOf(part);
  for (int k = 0; k <= kMaxPartIndex; ++k) {
    std::string path = PartPathFromBase(base, k);
    if (!IsPartFile(path)) continue;
    (void)MakeSymbolicLink(path, JoinPath(directory(), FileNameOf(path)));
  }
}

void ReceivedSets::FindSets() {
  struct Found {
    std::set<int> indexes;
    std::optional<int> firstCount;  // what part 00 says
    int largestCount = 0;           // else the largest count any part says
  };
  std::map<std::string, Found> byStem;
  auto names = DirectoryEntries(directory());
  if (!names) return;  // the directory is this run's own: no set was gathered
  for (const std::string& name : *names) {
    auto index = PartIndexFromName(name);
    std::string path = JoinPath(directory(), name);
    if (!index || !IsPartFile(path)) continue;
    Found& found = byStem[PartStem(name)];
    found.indexes.insert(*index);
    int count = StoredCount(path).value_or(0);
    if (*index == 0) found.firstCount = count;
    found.largestCount = std::max(found.largestCount, count);
  }
  for (const auto& [stem, found] : byStem) {
    ReceivedSet set;
    std::string base = JoinPath(directory(), stem);
    set.firstPart = PartPathFromBase(base, 0);
    int count = found.firstCount.value_or(found.largestCount);
    for (int k = 0; k < std::max(count, 1); ++k) {
      if (!found.indexes.count(k)) set.missing.push_back(FileNameOf(PartPathFromBase(base, k)));
    }
    sets_.push_back(std::move(set));
  }
}

}  // namespace fennimar
