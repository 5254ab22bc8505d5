#include "split/mail_part_size.h"

#include <algorithm>

#include "format/part_format.h"
#include "format/part_name.h"
#include "platform/path.h"
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
  std::uint64_t largest = 0;
  for (int index = 0; index < count; ++index) {
    std::int64_t length = std::clamp<std::int64_t>(set.sourceSize - division * index, 0, division);
    MailedPart part{set.mailTo,
                    set.sourceName,
                    FileNameOf(PartPath(set.targetDirectory, set.sourcePath, index)),
                    header + length,
                    index,
                    static_cast<int>(count)};
    auto size = mailer.MessageSize(part);
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
