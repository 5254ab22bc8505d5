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
//       72    4 modifiedTime  32-bit, seconds since 1970-01-01 UTC, read as
//                             unsigned (1970 to 2106)
//       76    4 totalSize     signed 32-bit, length of the whole source;
//                             -1 marks a large set
//       80    2 checksum      unsigned 16-bit, PartChecksum of the data
//       82    4 dataLength    signed 32-bit, data bytes after the header
//
// A source of 2 GiB or more makes a large set: totalSize is -1, the name is
// cut to 61 bytes followed by at least one zero, and the last 8 bytes of
// sourceName (offsets 64 to 71) hold the source's length, unsigned 64-bit.
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
// True when the first two bytes of a part, its count and index, place it in
// a set: one to kMaxParts parts, the index below the count. Both bytes are
// unsigned.
constexpr bool IsValidPlace(std::uint8_t partCount, std::uint8_t partIndex) {
  return partCount >= 1 && partCount <= kMaxParts && partIndex < partCount;
}
// The largest source whose length fits the signed 32-bit totalSize; larger
// sources make large sets.
inline constexpr std::int64_t kMaxSmallSetSize = 0x7FFFFFFF;
// No part file reaches 2 GiB, so its data stays below this.
inline constexpr std::int64_t kMaxPartSize = 0x7FFFFFFF;
inline constexpr std::int64_t kMaxPartData = kMaxPartSize - static_cast<std::int64_t>(kHeaderSize);

// Large sets.
inline constexpr std::int32_t kLargeSetMark = -1;
inline constexpr std::size_t kLargeSizeOffset = 64;  // from the start of the header
inline constexpr std::size_t kLargeNameSize = 61;    // followed by at least one zero
static_assert(kLargeSizeOffset + 8 == kSourceNameOffset + kSourceNameSize,
              "the length takes the last 8 bytes of sourceName");
static_assert(kSourceNameOffset + kLargeNameSize < kLargeSizeOffset);

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

struct PartHeader {
  std::uint8_t partCount = 0;
  std::uint8_t partIndex = 0;
  std::array<char, kSourceNameSize> sourceName{};
  std::int32_t modifiedTime = 0;
  std::int32_t totalSize = 0;
  std::uint16_t checksum = 0;
  std::int32_t dataLength = 0;

  // The stored name: the bytes up to the first zero, at most 70 of them (at
  // most 62 in a large set, whose last 8 bytes hold the length).
  std::string SourceName() const;
  // Stores the first 70 bytes of `name`, zero-padding the rest of the field.
  void SetSourceName(std::string_view name);

  // Describes the source: a length of at most kMaxSmallSetSize goes into
  // totalSize with the name as SetSourceName stores it; a larger one makes a
  // large set (the name cut to 61 bytes, the mark, the 64-bit length).
  // Precondition: 0 <= size.
  void SetSource(std::string_view name, std::int64_t size);
  bool IsLargeSet() const { return totalSize == kLargeSetMark; }
  // The source's length: totalSize, or a large set's 64-bit length (-1 when
  // it is beyond any file's size).
  std::int64_t SourceSize() const;
  // False for a large set that no writer makes: a name without a zero in its
  // first 62 bytes, a length below 2 GiB, or more than `partCount` parts of
  // kMaxPartData can hold. True for every other header.
  bool DescribesValidSet() const;

  // The time, read as unsigned 32-bit seconds since 1970 (up to 2106).
  std::int64_t ModifiedTime() const;
  // Stores a time from 1970 to 2106; any other is stored as 0, "no time".
  void SetModifiedTime(std::int64_t seconds);
};

HeaderBytes EncodeHeader(const PartHeader& header);
PartHeader DecodeHeader(const HeaderBytes& bytes);

// Little-endian helpers, shared with code that patches single fields in place.
void EncodeFixed16(std::uint8_t* out, std::uint16_t value);
void EncodeFixed32(std::uint8_t* out, std::uint32_t value);
void EncodeFixed64(std::uint8_t* out, std::uint64_t value);
std::uint16_t DecodeFixed16(const std::uint8_t* in);
std::uint32_t DecodeFixed32(const std::uint8_t* in);
std::uint64_t DecodeFixed64(const std::uint8_t* in);

}  // namespace fennimar
