#include "merge/set_check.h"

#include <algorithm>
#include <span>
#include <vector>

#include "format/file_name.h"
#include "format/part_checksum.h"
#include "format/part_name.h"
#include "format/sha256.h"
#include "platform/file.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "recovery/recovery_rebuilder.h"

namespace fennimar {
namespace {

constexpr std::size_t kCheckBlockSize = 256 * 1024;

// What reading one part whole gives.
struct PartData {
  bool read = false;  // false: it could not be opened or read
  std::uint16_t checksum = 0;
  std::int64_t dataRead = 0;  // data bytes after the header
  Sha256Digest digest{};
};

// Reads the part at `path` whole: the checksum of its first `dataLength`
// data bytes, its digest, and its data (all bytes after the header) into
// `joined`.
PartData ReadPart(const std::string& path, std::int64_t dataLength, Sha256& joined) {
  PartData data;
  auto file = File::OpenRead(path);
  if (!file) return data;
  Sha256 whole;
  PartChecksum sum;
  std::vector<char> block(kCheckBlockSize);
  std::int64_t offset = 0;
  for (;;) {
    auto got = file->Read(block.data(), block.size());
    if (!got) return data;
    std::int64_t size = static_cast<std::int64_t>(*got);
    whole.Add(block.data(), *got);
    // The bytes of this block that lie after the header, and of those the
    // ones within the data length.
    std::int64_t start = std::clamp<std::int64_t>(std::int64_t{kHeaderSize} - offset, 0, size);
    std::int64_t dataStart = offset + start - std::int64_t{kHeaderSize};
    std::int64_t summed = std::clamp<std::int64_t>(dataLength - dataStart, 0, size - start);
    sum.Add(block.data() + start, static_cast<std::size_t>(summed));
    joined.Add(block.data() + start, static_cast<std::size_t>(size - start));
    data.dataRead += size - start;
    offset += size;
    if (*got < block.size()) break;
  }
  data.read = true;
  data.checksum = sum.Value();
  data.digest = whole.Finish();
  return data;
}

// Part 00's header, or why it cannot be used.
std::optional<std::string> ReadFirstHeader(const std::string& path, PartHeader& header) {
  auto file = File::OpenRead(path);
  if (!file) return "cannot be opened: " + file.error().Reason();
  auto size = file->Size();
  HeaderBytes bytes{};
  if (!size || *size < std::int64_t{kHeaderSize} || !file->ReadAll(bytes.data(), bytes.size())) {
    return std::string("is too short to be a part");
  }
  header = DecodeHeader(bytes);
  if (!IsFirstHeader(header, *size - std::int64_t{kHeaderSize})) {
    return std::string("is not the first part of a set");
  }
  return std::nullopt;
}

}  // namespace

std::string_view DescribeFault(PartFault fault) {
  switch (fault) {
    case PartFault::kNone:
      return "whole";
    case PartFault::kMissing:
      return "missing";
    case PartFault::kNotOfThisSet:
      return "not a part of this set";
    case PartFault::kUnreadable:
      return "cannot be read";
    case PartFault::kChecksum:
      return "damaged (its checksum does not match its data)";
    case PartFault::kDigest:
      return "damaged (its SHA-256 digest differs from the manifest's)";
  }
  return "damaged";
}

std::string ListFaults(const std::vector<FaultyPart>& faults,
                       const std::function<std::string(const std::string&)>& label) {
  std::string text;
  for (std::size_t i = 0; i < faults.size() && i < kMaxListedFaults; ++i) {
    if (!text.empty()) text += '\n';
    text += label(faults[i].path) + ": " + std::string(DescribeFault(faults[i].fault));
  }
  if (faults.size() > kMaxListedFaults) {
    text += "\nand " + std::to_string(faults.size() - kMaxListedFaults) + " more";
  }
  return text;
}

bool BelongsToSet(const PartHeader& header, int index, const PartHeader& first) {
  return header.partIndex == index && header.SourceName() == first.SourceName() &&
         header.totalSize == first.totalSize && header.SourceSize() == first.SourceSize() &&
         header.modifiedTime == first.modifiedTime;
}

PartFault CheckPartHeader(const std::string& path, int index, const PartHeader& first) {
  EntryKind kind = KindOf(path);
  if (kind == EntryKind::kNone) return PartFault::kMissing;
  if (kind != EntryKind::kRegular) return PartFault::kNotOfThisSet;
  auto file = File::OpenRead(path);
  if (!file) return PartFault::kUnreadable;
  HeaderBytes bytes{};
  auto got = file->Read(bytes.data(), bytes.size());
  if (!got) return PartFault::kUnreadable;
  if (*got < bytes.size() || !BelongsToSet(DecodeHeader(bytes), index, first)) {
    return PartFault::kNotOfThisSet;
  }
  return PartFault::kNone;
}

PartFault UnusableFirstPartFault(const std::string& path) {
  switch (KindOf(path)) {
    case EntryKind::kNone:
      return PartFault::kMissing;
    case EntryKind::kRegular:
      return File::OpenRead(path) ? PartFault::kNotOfThisSet : PartFault::kUnreadable;
    default:
      return PartFault::kNotOfThisSet;
  }
}

bool IsFirstHeader(const PartHeader& header, std::int64_t dataRoom) {
  return SafeFileName(header.SourceName()) && header.partIndex == 0 &&
         IsValidPlace(header.partCount, header.partIndex) && header.SourceSize() >= 0 &&
         header.DescribesValidSet() && header.dataLength >= 0 && header.dataLength <= dataRoom;
}

std::optional<PartHeader> FirstHeaderFromRecovery(const std::string& partBase) {
  std::optional<PartHeader> firstFound;
  for (int index = 0; index < kMaxRecoveryFiles; ++index) {
    std::string path = RecoveryPathFromBase(partBase, index);
    if (KindOf(path) != EntryKind::kRegular) continue;
    // The header's own CRC vouches for the set it names; the payload is
    // checked when the files are gathered for the rebuild.
    auto file = File::OpenRead(path);
    if (!file) continue;
    RecoveryHeaderBytes bytes{};
    auto got = file->Read(bytes.data(), bytes.size());
    if (!got) continue;
    RecoveryHeaderRead read = DecodeRecoveryHeader(std::span(bytes.data(), *got));
    if (read.fault != RecoveryFault::kNone) continue;
    PartHeader first = read.header.SetHeader();
    first.dataLength = static_cast<std::int32_t>(read.header.dataLengths[0]);
    if (!IsFirstHeader(first, read.header.shardSize)) continue;
    // Recovery files of an earlier set under the same stem do not decide
    // while a later part says which set is here.
    for (int part = 1; part < first.partCount; ++part) {
      if (CheckPartHeader(PartPathFromBase(partBase, part), part, first) == PartFault::kNone) {
        return first;
      }
    }
    if (!firstFound) firstFound = first;
  }
  return firstFound;
}

ManifestUse LoadManifest(const std::string& partBase, const std::string& joinedName) {
  ManifestUse use;
  use.path = ManifestPathFromBase(partBase);
  EntryKind kind = KindOf(use.path);
  if (kind == EntryKind::kNone) return use;
  use.state = ManifestUse::State::kRefused;
  if (kind != EntryKind::kRegular) {
    use.reason = "it is not a file";
    return use;
  }
  auto reading = ReadManifest(use.path);
  if (!reading) {
    use.reason = reading.error().Reason();
  } else if (reading->refusal != ManifestRefusal::kNone) {
    use.reason = DescribeRefusal(*reading);
  } else if (!reading->manifest.Find(joinedName)) {
    use.reason = "it has no line for " + joinedName + ", so it belongs to another set";
  } else {
    use.state = ManifestUse::State::kUsable;
    use.manifest = std::move(reading->manifest);
  }
  return use;
}

std::string RefusedManifestText(const ManifestUse& use) {
  return "The manifest " + use.path + " is not used: " + use.reason;
}

std::vector<std::string> ContradictedNames(const Manifest& computed, const Manifest& expected) {
  std::vector<std::string> names;
  for (const ManifestEntry& entry : computed.entries) {
    const ManifestEntry* line = expected.Find(entry.name);
    if (!line || line->digest != entry.digest) names.push_back(entry.name);
  }
  return names;
}

SetReport CheckSet(const std::string& partPath) {
  SetReport report;
  std::string base = PartBaseOf(partPath);
  report.firstPath = PartPathFromBase(base, 0);
  PartHeader first;
  std::optional<std::string> firstFault;
  if (KindOf(report.firstPath) == EntryKind::kNone) {
    firstFault = "is missing";
  } else {
    firstFault = ReadFirstHeader(report.firstPath, first);
  }
  const bool firstLost = firstFault.has_value();
  if (firstLost) {
    auto fromRecovery = FirstHeaderFromRecovery(base);
    if (!fromRecovery) {
      report.firstPartFault = *firstFault;
      return report;
    }
    first = *fromRecovery;
  }
  report.partCount = first.partCount;
  report.joinedName = *SafeFileName(first.SourceName());
  report.manifest = LoadManifest(base, report.joinedName);
  bool usable = report.manifest.state == ManifestUse::State::kUsable;
  Sha256 joined;
  bool allRead = true;
  for (int index = 0; index < report.partCount; ++index) {
    std::string path = PartPathFromBase(base, index);
    PartFault fault = index > 0   ? CheckPartHeader(path, index, first)
                      : firstLost ? UnusableFirstPartFault(path)
                                  : PartFault::kNone;
    if (fault == PartFault::kNone) {
      // The header was read above; its data length is read again with it.
      PartHeader header;
      HeaderBytes bytes{};
      if (auto file = File::OpenRead(path); file && file->ReadAll(bytes.data(), bytes.size())) {
        header = DecodeHeader(bytes);
      }
      PartData data = ReadPart(path, header.dataLength, joined);
      if (!data.read) {
        fault = PartFault::kUnreadable;
      } else if (data.dataRead < header.dataLength || data.checksum != header.checksum) {
        fault = PartFault::kChecksum;
      } else if (usable) {
        const ManifestEntry* line = report.manifest.manifest.Find(FileNameOf(path));
        if (!line || line->digest != data.digest) fault = PartFault::kDigest;
      }
    }
    if (fault == PartFault::kMissing || fault == PartFault::kNotOfThisSet ||
        fault == PartFault::kUnreadable) {
      allRead = false;
    }
    if (fault != PartFault::kNone) report.faults.push_back({path, fault});
  }
  report.recovery = FindRecoveryFiles(base, first, report.manifest, report.joinedName);
  if (usable && allRead) {
    report.joinedMatches =
        report.manifest.manifest.Find(report.joinedName)->digest == joined.Finish();
  }
  return report;
}

bool IsWhole(const SetReport& report) {
  return !report.firstPartFault && report.faults.empty() && report.joinedMatches != false;
}

bool CanRebuild(const SetReport& report) {
  return !report.firstPartFault && report.recovery && !report.faults.empty() &&
         static_cast<int>(report.faults.size()) <= report.recovery->sound;
}

std::optional<RecoveryFiles> FindRecoveryFiles(const std::string& partBase, const PartHeader& first,
                                               const ManifestUse& manifest,
                                               const std::string& joinedName) {
  RecoveryHeader mine;
  mine.SetIdentityFrom(first);
  const ManifestEntry* joined =
      manifest.state == ManifestUse::State::kUsable ? manifest.manifest.Find(joinedName) : nullptr;
  std::optional<RecoveryFiles> found;
  for (int index = 0; index < kMaxRecoveryFiles; ++index) {
    std::string path = RecoveryPathFromBase(partBase, index);
    if (KindOf(path) != EntryKind::kRegular) continue;
    auto check = CheckRecoveryFile(path);
    if (!check || check->fault != RecoveryFault::kNone) continue;
    const RecoveryHeader& header = check->header;
    if (header.setIdentity != mine.setIdentity || header.dataPartCount != first.partCount ||
        first.dataLength < 0 ||
        header.dataLengths[0] != static_cast<std::uint32_t>(first.dataLength) ||
        (joined && joined->digest != header.sourceDigest)) {
      continue;
    }
    if (found) {
      const RecoveryHeader& set = found->header;
      if (header.recoveryCount != set.recoveryCount || header.shardSize != set.shardSize ||
          header.sourceDigest != set.sourceDigest || header.dataLengths != set.dataLengths) {
        continue;
      }
    } else {
      found.emplace();
      found->header = header;
      found->paths.assign(static_cast<std::size_t>(header.recoveryCount), {});
    }
    std::string& slot = found->paths[static_cast<std::size_t>(header.recoveryIndex)];
    if (slot.empty()) {
      slot = path;
      ++found->sound;
    }
  }
  return found;
}

}  // namespace fennimar
