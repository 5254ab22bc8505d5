#include "split/part_occupant.h"

#include <optional>

#include "format/manifest.h"
#include "format/part_name.h"
#include "platform/file.h"
#include "platform/file_operations.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "recovery/recovery_format.h"

namespace fennimar {

std::optional<PartHeader> ReadPartHeader(const std::string& path) {
  if (KindOf(path, Links::kTakeAsIs) != EntryKind::kRegular || !IsPartFile(path))
    return std::nullopt;
  auto file = File::OpenRead(path);
  HeaderBytes bytes{};
  if (!file) return std::nullopt;
  auto got = file->Read(bytes.data(), bytes.size());
  if (!got || *got < 2) return std::nullopt;
  return DecodeHeader(bytes);
}

bool IsSameSource(const PartHeader& a, const PartHeader& b) {
  return a.SourceName() == b.SourceName() && a.SourceSize() == b.SourceSize() &&
         a.ModifiedTime() == b.ModifiedTime();
}

PartOccupant FindPartOccupant(const std::string& partPath, const PartHeader& set) {
  if (KindOf(partPath, Links::kTakeAsIs) != EntryKind::kRegular) return {};
  auto header = ReadPartHeader(partPath);
  if (!header) return {PartOccupant::Kind::kOtherFile, FileNameOf(partPath)};
  if (IsSameSource(*header, set)) return {PartOccupant::Kind::kSameSet, {}};
  std::string owner = header->SourceName();
  return {PartOccupant::Kind::kOtherPart, owner.empty() ? FileNameOf(partPath) : owner};
}

PartOccupant FindManifestOccupant(const std::string& manifestPath, const std::string& joinedName) {
  if (KindOf(manifestPath, Links::kTakeAsIs) != EntryKind::kRegular) return {};
  auto reading = ReadManifest(manifestPath);
  if (!reading || reading->refusal != ManifestRefusal::kNone) {
    return {PartOccupant::Kind::kOtherFile, FileNameOf(manifestPath)};
  }
  const Manifest& manifest = reading->manifest;
  if (manifest.Find(joinedName)) return {PartOccupant::Kind::kSameSet, {}};
  // A split writes the joined file's line last.
  return {PartOccupant::Kind::kOtherPart, manifest.entries.back().name};
}

PartOccupant FindRecoveryOccupant(const std::string& recoveryPath, const PartHeader& set) {
  if (KindOf(recoveryPath, Links::kTakeAsIs) != EntryKind::kRegular) return {};
  PartOccupant other{PartOccupant::Kind::kOtherFile, FileNameOf(recoveryPath)};
  auto file = File::OpenRead(recoveryPath);
  if (!file) return other;
  RecoveryHeaderBytes bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    auto read = file->Read(bytes.data() + got, bytes.size() - got);
    if (!read || *read == 0) break;
    got += *read;
  }
  RecoveryHeaderRead reading = DecodeRecoveryHeader(std::span(bytes.data(), got));
  RecoveryHeader mine;
  mine.SetIdentityFrom(set);
  if (reading.fault != RecoveryFault::kNone || reading.header.setIdentity != mine.setIdentity) {
    return other;
  }
  return {PartOccupant::Kind::kSameSet, {}};
}

std::optional<KeptPart> RemoveParts(const std::string& base, int first,
                                    const std::function<bool(const PartHeader&)>& belongs) {
  for (int index = first; index < kMaxParts; ++index) {
    std::string path = PartPathFromBase(base, index);
    auto header = ReadPartHeader(path);
    if (!header || !belongs(*header)) continue;
    if (auto removed = RemoveFile(path); !removed) return KeptPart{path, removed.error()};
  }
  return std::nullopt;
}

}  // namespace fennimar
