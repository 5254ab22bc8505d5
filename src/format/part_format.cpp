#include "format/part_format.h"

#include <algorithm>
#include <cstring>

namespace fennimar {

void EncodeFixed16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

void EncodeFixed32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t DecodeFixed16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t DecodeFixed32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

std::string PartHeader::SourceName() const {
  auto end = std::find(sourceName.begin(), sourceName.end(), '\0');
  return std::string(sourceName.begin(), end);
}

void PartHeader::SetSourceName(std::string_view name) {
  sourceName.fill('\0');
  std::copy_n(name.begin(), std::min(name.size(), kSourceNameSize), sourceName.begin());
}

HeaderBytes EncodeHeader(const PartHeader& header) {
  HeaderBytes bytes{};
  bytes[kPartCountOffset] = header.partCount;
  bytes[kPartIndexOffset] = header.partIndex;
  std::memcpy(&bytes[kSourceNameOffset], header.sourceName.data(), kSourceNameSize);
  EncodeFixed32(&bytes[kModifiedTimeOffset], static_cast<std::uint32_t>(header.modifiedTime));
  EncodeFixed32(&bytes[kTotalSizeOffset], static_cast<std::uint32_t>(header.totalSize));
  EncodeFixed16(&bytes[kChecksumOffset], header.checksum);
  EncodeFixed32(&bytes[kDataLengthOffset], static_cast<std::uint32_t>(header.dataLength));
  return bytes;
}

PartHeader DecodeHeader(const HeaderBytes& bytes) {
  PartHeader header;
  header.partCount = bytes[kPartCountOffset];
  header.partIndex = bytes[kPartIndexOffset];
  std::memcpy(header.sourceName.data(), &bytes[kSourceNameOffset], kSourceNameSize);
  header.modifiedTime = static_cast<std::int32_t>(DecodeFixed32(&bytes[kModifiedTimeOffset]));
  header.totalSize = static_cast<std::int32_t>(DecodeFixed32(&bytes[kTotalSizeOffset]));
  header.checksum = DecodeFixed16(&bytes[kChecksumOffset]);
  header.dataLength = static_cast<std::int32_t>(DecodeFixed32(&bytes[kDataLengthOffset]));
  return header;
}

}  // namespace fennimar
