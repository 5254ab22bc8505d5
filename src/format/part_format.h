// The part-file format shared by the split (writer) and the merge (reader).
//
// A part file is an 86-byte header followed by one contiguous slice of the
// source. All multi-byte fields are little-endian and the header is packed:
//
//   offset size field         type
//        0    1 partCount     unsigned 8-bit, parts in the set (at most 100)
//        1    1 partIndex     unsigned 8-bit, this part's index from 0
//        2   70 sourceName    bytes, the source's file name, zero-padded;
//                             a name of 70 bytes or more has no terminator
//       72    4 modifiedTime  signed 32-bit, seconds since 1970-01-01 UTC
//       76    4 totalSize     signed 32-bit, length of the whole source
//       80    2 checksum      unsigned 16-bit, PartChecksum of the data
//       82    4 dataLength    signed 32-bit, data bytes after the header
//
// docs/part-format.md describes the format in prose. Headers are always
// encoded and decoded field by field, never by copying a struct.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fennimar {

inline constexpr std::size_t kPartCountOffset = 0;
inline constexpr std::size_t kPartIndexOffset = 1;
inline constexpr std::size_t kSourceNameOffset = 2;
inline constexpr std::size_t kSourceNameSize = 70;
inline constexpr std::size_t kModifiedTimeOffset = 72;
inline constexpr std::size_t kTotalSizeOffset = 76;
inline constexpr std::size_t kChecksumOffset = 80;
inline constexpr std::size_t kDataLengthOffset = 82;
inline constexpr std::size_t kHeaderSize = 86;
static_assert(kDataLengthOffset + 4 == kHeaderSize, "the header is packed into 86 bytes");

// The most parts a set may have: the index is written as two decimal digits.
inline constexpr int kMaxParts = 100;
// Sizes in the header are signed 32-bit: sources of 2 GiB or more do not fit.
inline constexpr std::int64_t kMaxSourceSize = 0x7FFFFFFF;

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

struct PartHeader {
  std::uint8_t partCount = 0;
  std::uint8_t partIndex = 0;
  std::array<char, kSourceNameSize> sourceName{};
  std::int32_t modifiedTime = 0;
  std::int32_t totalSize = 0;
  std::uint16_t checksum = 0;
  std::int32_t dataLength = 0;

  // The stored name: the bytes up to the first zero, at most 70 of them.
  std::string SourceName() const;
  // Stores the first 70 bytes of `name`, zero-padding the rest of the field.
  void SetSourceName(std::string_view name);
};

HeaderBytes EncodeHeader(const PartHeader& header);
PartHeader DecodeHeader(const HeaderBytes& bytes);

// Little-endian helpers, shared with code that patches single fields in place.
void EncodeFixed16(std::uint8_t* out, std::uint16_t value);
void EncodeFixed32(std::uint8_t* out, std::uint32_t value);
std::uint16_t DecodeFixed16(const std::uint8_t* in);
std::uint32_t DecodeFixed32(const std::uint8_t* in);

}  // namespace fennimar
