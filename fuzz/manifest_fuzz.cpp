// Feeds any text to the manifest reader. What must hold for every input:
//   - the reader ends with a manifest or a refusal, never a crash or a hang;
//   - an accepted manifest has one to kMaxManifestLines entries, each a name
//     the reader calls safe and no name twice;
//   - writing an accepted manifest and reading it again gives the same
//     entries, so that what a split writes is what a join reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "format/manifest.h"

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fennimar;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ManifestReading reading = ParseManifest(text);
  if (reading.refusal != ManifestRefusal::kNone) {
    Require(reading.manifest.entries.empty());
    Require(!DescribeRefusal(reading).empty());
    return 0;
  }
  const auto& entries = reading.manifest.entries;
  Require(!entries.empty() && entries.size() <= kMaxManifestLines);
  std::set<std::string_view> names;
  for (const ManifestEntry& entry : entries) {
    Require(IsManifestName(entry.name));
    Require(names.insert(entry.name).second);
  }
  ManifestReading again = ParseManifest(EncodeManifest(reading.manifest));
  Require(again.refusal == ManifestRefusal::kNone &&
          again.manifest.entries.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Require(again.manifest.entries[i].name == entries[i].name &&
            again.manifest.entries[i].digest == entries[i].digest);
  }
  return 0;
}
