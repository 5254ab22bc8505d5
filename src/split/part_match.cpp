#include "split/part_match.h"

#include <algorithm>
#include <vector>

#include "format/part_checksum.h"
#include "platform/file.h"
#include "split/part_occupant.h"
#include "ui/progress_dialog.h"

namespace fennimar {
namespace {

// Compares `length` bytes of `part` and `source`, each from where it stands,
// adding the part's to `checksum`.
bool SameData(File& part, File& source, std::int64_t length, PartChecksum& checksum,
              const std::function<void()>& pump) {
  std::vector<char> ours(kCopyBlockSize);
  std::vector<char> theirs(kCopyBlockSize);
  while (length > 0) {
    auto block =
        static_cast<std::size_t>(std::min(length, static_cast<std::int64_t>(kCopyBlockSize)));
    if (!source.ReadAll(ours.data(), block) || !part.ReadAll(theirs.data(), block) ||
        !std::equal(ours.begin(), ours.begin() + static_cast<std::ptrdiff_t>(block),
                    theirs.begin())) {
      return false;
    }
    checksum.Add(theirs.data(), block);
    length -= static_cast<std::int64_t>(block);
    pump();
  }
  return true;
}

}  // namespace

bool PartMatches(const std::string& partPath, const PartHeader& expected, File& source,
                 std::int64_t offset, const std::function<void()>& pump) {
  auto header = ReadPartHeader(partPath);
  if (!header || !IsSameSource(*header, expected) || header->partCount != expected.partCount ||
      header->partIndex != expected.partIndex || header->dataLength != expected.dataLength) {
    return false;
  }
  auto part = File::OpenRead(partPath);
  if (!part) return false;
  std::int64_t length = expected.dataLength;
  auto size = part->Size();
  if (!size || *size != static_cast<std::int64_t>(kHeaderSize) + length) return false;
  PartChecksum checksum;
  return part->Seek(kHeaderSize) && source.Seek(offset) &&
         SameData(*part, source, length, checksum, pump) && checksum.Value() == header->checksum;
}

}  // namespace fennimar
