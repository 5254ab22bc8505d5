#include "split/mail_part_size.h"

#include <algorithm>
#include <vector>

#include "format/manifest.h"
#include "format/part_format.h"
#include "format/part_name.h"
#include "platform/path.h"
#include "recovery/recovery_format.h"
#include "split/part_mailer.h"

namespace fennimar {

std::optional<std::uint64_t> LargestMessage(PartMailer& mailer, const MailedSet& set,
                                            std::int64_t chunkSize) {
  const auto header = static_cast<std::int64_t>(kHeaderSize);
  std::int64_t division = chunkSize - header;
  // A size that makes more parts than a set holds is refused later; its
  // first parts still tell whether the messages fit.
  std::int64_t count =
      std::min<std::int64_t>((set.sourceSize + division - 1) / division, kMaxParts);
  std::vector<MailedPart> messages;
  // A manifest line is the digest in hex, two spaces, the name and a line end.
  constexpr auto kLineFrame = static_cast<std::int64_t>(2 * kSha256Size + 3);
  std::int64_t manifestSize = kLineFrame + static_cast<std::int64_t>(set.sourceName.size());
  for (int index = 0; index < count; ++index) {
    std::int64_t length = std::clamp<std::int64_t>(set.sourceSize - division * index, 0, division);
    std::string name = FileNameOf(PartPath(set.targetDirectory, set.sourcePath, index));
    manifestSize += kLineFrame + static_cast<std::int64_t>(name.size());
    messages.push_back({set.mailTo, set.sourceName, name, header + length, index,
                        static_cast<int>(count), MailedKind::kPart});
  }
  std::string base = PartBaseOf(PartPath(set.targetDirectory, set.sourcePath, 0));
  if (set.manifest) {
    messages.push_back({set.mailTo, set.sourceName, FileNameOf(ManifestPathFromBase(base)),
                        manifestSize, 0, 0, MailedKind::kManifest});
  }
  // A recovery file holds as much data as the largest part.
  int recovery = std::min(set.recoveryCount, static_cast<int>(count));
  for (int index = 0; index < recovery; ++index) {
    messages.push_back(
        {set.mailTo, set.sourceName, FileNameOf(RecoveryPathFromBase(base, index)),
         static_cast<std::int64_t>(kRecoveryHeaderSize) + std::min(division, set.sourceSize), index,
         recovery, MailedKind::kRecovery});
  }
  std::uint64_t largest = 0;
  for (const MailedPart& message : messages) {
    auto size = mailer.MessageSize(message);
    if (!size) return std::nullopt;
    largest = std::max(largest, *size);
  }
  return largest;
}

std::int64_t LargestFittingChunk(PartMailer& mailer, const MailedSet& set, std::uint64_t limit,
                                 std::int64_t smallest) {
  auto fits = [&](std::int64_t chunk) {
    auto largest = LargestMessage(mailer, set, chunk);
    return largest && *largest <= limit;
  };
  if (!fits(smallest)) return 0;
  // A message is longer than its part, so a part of the limit's size never
  // fits: the search runs between a size that fits and one that does not.
  std::int64_t low = smallest;
  std::int64_t high = std::min<std::int64_t>(kMaxPartSize + 1, static_cast<std::int64_t>(limit));
  while (high - low > 1) {
    std::int64_t middle = low + (high - low) / 2;
    (fits(middle) ? low : high) = middle;
  }
  return low;
}

}  // namespace fennimar
