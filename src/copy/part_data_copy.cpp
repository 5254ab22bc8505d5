#include "copy/part_data_copy.h"

#include <algorithm>
#include <span>

namespace fennimar {

CopyResult CopyPartData(File& source, BufferedWriter& writer, std::int64_t length,
                        PartChecksum& checksum, RunProgress& progress) {
  std::int64_t remaining = length;
  // Of the room, the bytes before `next` are handled and those before
  // `available` are read; a block ends at the room's end at the latest.
  std::span<char> room;
  std::size_t next = 0, available = 0;
  while (remaining > 0) {
    if (progress.dialog.stopRequested()) return {CopyEnd::kStopped, std::nullopt};
    if (next == room.size()) {
      room = writer.Space(static_cast<std::size_t>(
          std::min<std::int64_t>(remaining, static_cast<std::int64_t>(kWriteBufferSize))));
      next = 0;
      auto got = source.Read(room.data(), room.size());
      if (!got) return {CopyEnd::kReadFailed, got.error()};
      available = *got;
    }
    auto block =
        std::min({static_cast<std::size_t>(remaining), kCopyBlockSize, room.size() - next});
    // A block that cannot be read whole ends the copy before it.
    if (available - next < block) return {CopyEnd::kShortSource, std::nullopt};
    checksum.Add(room.data() + next, block);
    next += block;
    remaining -= static_cast<std::int64_t>(block);
    progress.done += static_cast<std::int64_t>(block);
    if (auto committed = writer.Commit(block); !committed) {
      return {CopyEnd::kWriteFailed, committed.error()};
    }
    progress.dialog.SetPercent(std::min(PercentOf(progress.done, progress.total), 100));
    progress.ui.Pump();
  }
  // A Stop asked for during the last block's pump still ends the run.
  if (progress.dialog.stopRequested()) return {CopyEnd::kStopped, std::nullopt};
  return {};
}

}  // namespace fennimar
