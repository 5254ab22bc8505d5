// The recovery-file format: N files beside a set's k data parts from which
// any N lost or damaged data parts can be rebuilt.
//
// Recovery file r of a set is "<base>.R<rr>" beside the parts. It is a
// 542-byte header followed by its payload, shardSize bytes: row k + r of a
// systematic Reed-Solomon code over GF(2^8) (polynomial 0x11d, ISA-L's
// Cauchy generator matrix) applied to the k parts' data, each counted as
// padded with zeros to shardSize. All multi-byte fields are little-endian:
//
//   offset size field           type
//        0    8 magic           FF 46 4E 4D 52 0D 0A 1A
//        8    2 version         unsigned 16-bit, 1
//       10    1 recoveryCount   unsigned 8-bit, N: recovery files in the set
//       11    1 recoveryIndex   unsigned 8-bit, this file's index from 0
//       12    1 dataPartCount   unsigned 8-bit, k: data parts in the set
//       13    3 reserved        zero
//       16    8 shardSize       unsigned 64-bit, the largest part's dataLength
//       24   78 setIdentity     bytes 2 to 79 of the parts' header: sourceName,
//                               modifiedTime, totalSize
//      102   32 sourceDigest    the source's SHA-256, raw
//      134  400 dataLengths     100 unsigned 32-bit: part i's dataLength;
//                               entries from k on are zero
//      534    4 payloadCrc      CRC-32 (ISO-HDLC, as zlib's) of the payload
//      538    4 headerCrc       CRC-32 of bytes 0 to 537
//
// The first byte, 0xFF, is a part count no part has (IsValidPlace), so no
// reader of parts takes a recovery file for one, by its bytes or by its name.
// docs/part-format.md describes the format in prose.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "format/part_format.h"

namespace fennimar {

inline constexpr std::array<std::uint8_t, 8> kRecoveryMagic = {0xFF, 'F',  'N',  'M',
                                                               'R',  0x0D, 0x0A, 0x1A};
inline constexpr std::uint16_t kRecoveryVersion = 1;

inline constexpr std::size_t kRecoveryMagicOffset = 0;
inline constexpr std::size_t kRecoveryVersionOffset = 8;
inline constexpr std::size_t kRecoveryCountOffset = 10;
inline constexpr std::size_t kRecoveryIndexOffset = 11;
inline constexpr std::size_t kDataPartCountOffset = 12;
inline constexpr std::size_t kRecoveryReservedOffset = 13;
inline constexpr std::size_t kShardSizeOffset = 16;
inline constexpr std::size_t kSetIdentityOffset = 24;
// The part header's fields from sourceName to totalSize, as they stand.
inline constexpr std::size_t kSetIdentitySize = kChecksumOffset - kSourceNameOffset;
inline constexpr std::size_t kSourceDigestOffset = 102;
inline constexpr std::size_t kSourceDigestSize = 32;
inline constexpr std::size_t kDataLengthsOffset = 134;
inline constexpr std::size_t kPayloadCrcOffset = 534;
inline constexpr std::size_t kHeaderCrcOffset = 538;
inline constexpr std::size_t kRecoveryHeaderSize = 542;
static_assert(kSetIdentityOffset + kSetIdentitySize == kSourceDigestOffset);
static_assert(kSourceDigestOffset + kSourceDigestSize == kDataLengthsOffset);
static_assert(kDataLengthsOffset + 4 * kMaxParts == kPayloadCrcOffset);
static_assert(kHeaderCrcOffset + 4 == kRecoveryHeaderSize, "the header is packed into 542 bytes");

// The most recovery files a set may have: the index is two decimal digits.
inline constexpr int kMaxRecoveryFiles = 100;

using RecoveryHeaderBytes = std::array<std::uint8_t, kRecoveryHeaderSize>;
using SourceDigest = std::array<std::uint8_t, kSourceDigestSize>;

struct RecoveryHeader {
  int recoveryCount = 0;
  int recoveryIndex = 0;
  int dataPartCount = 0;
  std::int64_t shardSize = 0;
  std::array<std::uint8_t, kSetIdentitySize> setIdentity{};
  SourceDigest sourceDigest{};
  std::array<std::uint32_t, kMaxParts> dataLengths{};
  std::uint32_t payloadCrc = 0;

  // Copies the set's name, time and size from a part's header.
  void SetIdentityFrom(const PartHeader& part);
  // A part header of the set with those fields (count k, the other fields 0).
  PartHeader SetHeader() const;
};

// Encodes every field and the header's own CRC.
RecoveryHeaderBytes EncodeRecoveryHeader(const RecoveryHeader& header);

// Why a file is not a sound recovery file.
enum class RecoveryFault {
  kNone,
  kNotRecoveryFile,  // too short for a header, or another magic
  kNewerVersion,     // a version this program does not know
  kHeaderDamaged,    // the header's CRC does not match
  kInvalidHeader,    // a sound CRC over fields no writer makes
  kWrongLength,      // the file is not header plus shardSize bytes
  kPayloadDamaged,   // the payload's CRC does not match
};
// The fault as the user reads it after a file's name: "is damaged (its
// recovery data does not match its checksum)".
std::string_view RecoveryFaultText(RecoveryFault fault);

struct RecoveryHeaderRead {
  RecoveryFault fault = RecoveryFault::kNone;
  RecoveryHeader header;  // meaningful only when fault is kNone
};
// Reads a header from the first bytes of a file (any number of them). Every
// field is checked: the counts (1 to 100 parts, 1 to 100 recovery files,
// the index below the count), the reserved bytes, each length within the
// shard and the largest equal to it, the lengths adding up to the source's
// length when the set states one, and the header's CRC.
RecoveryHeaderRead DecodeRecoveryHeader(std::span<const std::uint8_t> bytes);

// The CRC-32 of `data` continued from `crc` (0 to start).
std::uint32_t ExtendCrc32(std::uint32_t crc, std::span<const std::uint8_t> data);

// "<base>.R%02d".
std::string RecoveryPathFromBase(std::string_view base, int index);
// The index a recovery file's name carries ("REPORT.R07": 7); none for a
// name of another shape.
std::optional<int> RecoveryIndexFromName(std::string_view path);

}  // namespace fennimar
