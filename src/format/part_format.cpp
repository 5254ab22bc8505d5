#include "format/part_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fennimar {

void EncodeFixed16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

void EncodeFixed32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void EncodeFixed64(std::uint8_t* out, std::uint64_t value) {
  EncodeFixed32(out, static_cast<std::uint32_t>(value));
  EncodeFixed32(out + 4, static_cast<std::uint32_t>(value >> 32));
}

std::uint16_t DecodeFixed16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t DecodeFixed32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

std::uint64_t DecodeFixed64(const std::uint8_t* in) {
  return DecodeFixed32(in) | (static_cast<std::uint64_t>(DecodeFixed32(in + 4)) << 32);
}

namespace {

// Where a large set's length sits within sourceName.
constexpr std::size_t kLengthInName = kLargeSizeOffset - kSourceNameOffset;

}  // namespace

std::string PartHeader::SourceName() const {
  auto last = IsLargeSet() ? sourceName.begin() + kLengthInName : sourceName.end();
  return std::string(sourceName.begin(), std::find(sourceName.begin(), last, '\0'));
}

void PartHeader::SetSourceName(std::string_view name) {
  sourceName.fill('\0');
  std::copy_n(name.begin(), std::min(name.size(), kSourceNameSize), sourceName.begin());
}

void PartHeader::SetSource(std::string_view name, std::int64_t size) {
  if (size <= kMaxSmallSetSize) {
    SetSourceName(name);
    totalSize = static_cast<std::int32_t>(size);
    return;
  }
  SetSourceName(name.substr(0, kLargeNameSize));
  std::uint8_t length[8];
  EncodeFixed64(length, static_cast<std::uint64_t>(size));
  std::copy_n(length, sizeof length, sourceName.begin() + kLengthInName);
  totalSize = kLargeSetMark;
}

std::int64_t PartHeader::SourceSize() const {
  if (!IsLargeSet()) return totalSize;
  std::uint8_t length[8];
  std::copy_n(sourceName.begin() + kLengthInName, sizeof length, length);
  std::uint64_t size = DecodeFixed64(length);
  return size > static_cast<std::uint64_t>(INT64_MAX) ? -1 : static_cast<std::int64_t>(size);
}

bool PartHeader::DescribesValidSet() const {
  if (!IsLargeSet()) return true;
  bool terminated = std::find(sourceName.begin(), sourceName.begin() + kLengthInName, '\0') !=
                    sourceName.begin() + kLengthInName;
  std::int64_t size = SourceSize();
  return terminated && size > kMaxSmallSetSize && size <= partCount * kMaxPartData;
}

std::int64_t PartHeader::ModifiedTime() const { return static_cast<std::uint32_t>(modifiedTime); }

void PartHeader::SetModifiedTime(std::int64_t seconds) {
  bool storable = seconds >= 0 && seconds <= std::int64_t{UINT32_MAX};
  modifiedTime = static_cast<std::int32_t>(storable ? static_cast<std::uint32_t>(seconds) : 0u);
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
