#include "merge_test_support.h"

#include <algorithm>
#include <cstring>

#include "format/part_checksum.h"
#include "format/part_format.h"
#include "format/part_name.h"

namespace fennimar::testing {

std::vector<std::string> WritePartSet(const std::string& directory, const Bytes& data,
                                      const PartSetOptions& options) {
  std::size_t count =
      std::max<std::size_t>(1, (data.size() + options.dataPerPart - 1) / options.dataPerPart);
  std::vector<std::string> paths;
  for (std::size_t k = 0; k < count; ++k) {
    std::size_t begin = k * options.dataPerPart;
    std::size_t end = std::min(data.size(), begin + options.dataPerPart);
    PartHeader header;
    header.partCount = static_cast<std::uint8_t>(count);
    header.partIndex = static_cast<std::uint8_t>(k);
    header.SetSource(options.sourceName, options.largeSize
                                             ? options.largeSize
                                             : static_cast<std::int64_t>(data.size()));
    header.modifiedTime = options.modifiedTime;
    header.checksum = ComputePartChecksum(data.data() + begin, end - begin);
    header.dataLength = static_cast<std::int32_t>(end - begin);
    HeaderBytes bytes = EncodeHeader(header);
    Bytes part(kHeaderSize + (end - begin));
    std::copy(bytes.begin(), bytes.end(), part.begin());
    if (end > begin) std::memcpy(part.data() + kHeaderSize, data.data() + begin, end - begin);
    std::string path =
        PartPathFromBase(directory + testing::kSeparator + options.stem, static_cast<int>(k));
    WriteFile(path, part);
    paths.push_back(path);
  }
  return paths;
}

void FixChecksum(const std::string& partPath) {
  Bytes part = ReadFile(partPath);
  ASSERT_GE(part.size(), kHeaderSize);
  std::uint16_t sum = ComputePartChecksum(part.data() + kHeaderSize, part.size() - kHeaderSize);
  SetHeaderByte(partPath, kChecksumOffset, static_cast<std::uint8_t>(sum & 0xFF));
  SetHeaderByte(partPath, kChecksumOffset + 1, static_cast<std::uint8_t>(sum >> 8));
}

}  // namespace fennimar::testing
