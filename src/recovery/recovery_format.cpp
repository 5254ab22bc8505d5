#include "recovery/recovery_format.h"

#include <isa-l/crc.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/path.h"

namespace fennimar {

void RecoveryHeader::SetIdentityFrom(const PartHeader& part) {
  const HeaderBytes bytes = EncodeHeader(part);
  std::copy_n(bytes.begin() + kSourceNameOffset, kSetIdentitySize, setIdentity.begin());
}

PartHeader RecoveryHeader::SetHeader() const {
  HeaderBytes bytes{};
  bytes[kPartCountOffset] = static_cast<std::uint8_t>(dataPartCount);
  std::copy(setIdentity.begin(), setIdentity.end(), bytes.begin() + kSourceNameOffset);
  return DecodeHeader(bytes);
}

RecoveryHeaderBytes EncodeRecoveryHeader(const RecoveryHeader& header) {
  RecoveryHeaderBytes out{};
  std::copy(kRecoveryMagic.begin(), kRecoveryMagic.end(), out.begin() + kRecoveryMagicOffset);
  EncodeFixed16(&out[kRecoveryVersionOffset], kRecoveryVersion);
  out[kRecoveryCountOffset] = static_cast<std::uint8_t>(header.recoveryCount);
  out[kRecoveryIndexOffset] = static_cast<std::uint8_t>(header.recoveryIndex);
  out[kDataPartCountOffset] = static_cast<std::uint8_t>(header.dataPartCount);
  EncodeFixed64(&out[kShardSizeOffset], static_cast<std::uint64_t>(header.shardSize));
  std::copy(header.setIdentity.begin(), header.setIdentity.end(), out.begin() + kSetIdentityOffset);
  std::copy(header.sourceDigest.begin(), header.sourceDigest.end(),
            out.begin() + kSourceDigestOffset);
  for (std::size_t i = 0; i < header.dataLengths.size(); ++i) {
    EncodeFixed32(&out[kDataLengthsOffset + 4 * i], header.dataLengths[i]);
  }
  EncodeFixed32(&out[kPayloadCrcOffset], header.payloadCrc);
  EncodeFixed32(&out[kHeaderCrcOffset], ExtendCrc32(0, std::span(out.data(), kHeaderCrcOffset)));
  return out;
}

namespace {

// The fields of a header whose magic, version and CRC are sound, checked
// against each other.
bool DescribesValidSet(const RecoveryHeaderBytes& bytes, const RecoveryHeader& header) {
  if (header.recoveryCount < 1 || header.recoveryCount > kMaxRecoveryFiles ||
      header.recoveryIndex >= header.recoveryCount || header.dataPartCount < 1 ||
      header.dataPartCount > kMaxParts) {
    return false;
  }
  for (std::size_t i = kRecoveryReservedOffset; i < kShardSizeOffset; ++i) {
    if (bytes[i] != 0) return false;
  }
  if (header.shardSize < 0 || header.shardSize > kMaxPartData) return false;
  std::int64_t largest = 0;
  std::int64_t sum = 0;
  for (int i = 0; i < kMaxParts; ++i) {
    const std::int64_t length = header.dataLengths[static_cast<std::size_t>(i)];
    if (i >= header.dataPartCount && length != 0) return false;
    largest = std::max(largest, length);
    sum += length;
  }
  if (largest != header.shardSize) return false;
  // A set of the first version (total 0) states no length to check.
  const PartHeader set = header.SetHeader();
  if (set.totalSize < kLargeSetMark) return false;
  if (set.IsLargeSet() && !set.DescribesValidSet()) return false;
  return set.totalSize == 0 || sum == set.SourceSize();
}

}  // namespace

RecoveryHeaderRead DecodeRecoveryHeader(std::span<const std::uint8_t> in) {
  RecoveryHeaderRead read;
  if (in.size() < kRecoveryHeaderSize ||
      !std::equal(kRecoveryMagic.begin(), kRecoveryMagic.end(), in.begin())) {
    read.fault = RecoveryFault::kNotRecoveryFile;
    return read;
  }
  RecoveryHeaderBytes bytes;
  std::copy_n(in.begin(), kRecoveryHeaderSize, bytes.begin());
  // A newer writer may lay out the rest otherwise: its version is told
  // before its CRC is judged.
  if (DecodeFixed16(&bytes[kRecoveryVersionOffset]) != kRecoveryVersion) {
    read.fault = RecoveryFault::kNewerVersion;
    return read;
  }
  if (DecodeFixed32(&bytes[kHeaderCrcOffset]) !=
      ExtendCrc32(0, std::span(bytes.data(), kHeaderCrcOffset))) {
    read.fault = RecoveryFault::kHeaderDamaged;
    return read;
  }
  RecoveryHeader& header = read.header;
  header.recoveryCount = bytes[kRecoveryCountOffset];
  header.recoveryIndex = bytes[kRecoveryIndexOffset];
  header.dataPartCount = bytes[kDataPartCountOffset];
  const std::uint64_t shard = DecodeFixed64(&bytes[kShardSizeOffset]);
  header.shardSize =
      shard > static_cast<std::uint64_t>(kMaxPartData) ? -1 : static_cast<std::int64_t>(shard);
  std::copy_n(bytes.begin() + kSetIdentityOffset, kSetIdentitySize, header.setIdentity.begin());
  std::copy_n(bytes.begin() + kSourceDigestOffset, kSourceDigestSize, header.sourceDigest.begin());
  for (std::size_t i = 0; i < header.dataLengths.size(); ++i) {
    header.dataLengths[i] = DecodeFixed32(&bytes[kDataLengthsOffset + 4 * i]);
  }
  header.payloadCrc = DecodeFixed32(&bytes[kPayloadCrcOffset]);
  if (!DescribesValidSet(bytes, header)) read.fault = RecoveryFault::kInvalidHeader;
  return read;
}

std::string_view RecoveryFaultText(RecoveryFault fault) {
  switch (fault) {
    case RecoveryFault::kNone:
      return "is sound";
    case RecoveryFault::kNotRecoveryFile:
      return "is not a recovery file";
    case RecoveryFault::kNewerVersion:
      return "was made by a newer version of Fennimar";
    case RecoveryFault::kHeaderDamaged:
      return "is damaged (its header does not match its checksum)";
    case RecoveryFault::kInvalidHeader:
      return "is damaged (its header describes no set)";
    case RecoveryFault::kWrongLength:
      return "is damaged (it is not as long as its header says)";
    case RecoveryFault::kPayloadDamaged:
      return "is damaged (its recovery data does not match its checksum)";
  }
  return "is damaged";
}

std::uint32_t ExtendCrc32(std::uint32_t crc, std::span<const std::uint8_t> data) {
  // ISA-L takes a length of int: long spans go through in pieces.
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  while (!data.empty()) {
    const std::size_t n = std::min(data.size(), kPiece);
    crc = crc32_gzip_refl(crc, data.data(), n);
    data = data.subspan(n);
  }
  return crc;
}

std::string RecoveryPathFromBase(std::string_view base, int index) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".R%02d", index);
  return std::string(base) + suffix;
}

std::optional<int> RecoveryIndexFromName(std::string_view path) {
  std::string name = FileNameOf(path);
  auto dot = name.find('.');
  if (dot == std::string::npos || name.size() != dot + 4 || name[dot + 1] != 'R') {
    return std::nullopt;
  }
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(name[dot + 2]) || !digit(name[dot + 3])) return std::nullopt;
  return (name[dot + 2] - '0') * 10 + (name[dot + 3] - '0');
}

}  // namespace fennimar
