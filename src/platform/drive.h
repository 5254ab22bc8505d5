// Drive queries: whether a path lies on a removable drive, how many bytes are
// free there, and the mount point that plays the role of the drive's root.
#pragma once

#include <cstdint>
#include <string>

namespace fennimar {

enum class DriveKind { kFixed, kRemovable };

inline constexpr std::uint64_t kFatLargestFile = 0xFFFFFFFF;
inline constexpr std::uint64_t kNoFileSizeLimit = UINT64_MAX;

// The queries the split asks about its target directory. The system answers
// them through SystemDrives; engine tests answer them from a script.
class DriveQueries {
 public:
  virtual ~DriveQueries() = default;
  // Removable when the file system holding the path (or its nearest existing
  // ancestor) sits on a block device the kernel marks removable or on USB.
  virtual DriveKind GetDriveKind(const std::string& path) = 0;
  // Free bytes for an unprivileged writer on the path's file system; 0 when
  // that cannot be told.
  virtual std::uint64_t GetAvailableSpace(const std::string& path) = 0;
  // The most bytes one file can have on the path's file system: 4 GiB - 1 on
  // FAT12/16/32, kNoFileSizeLimit where the system sets no lower limit.
  virtual std::uint64_t GetLargestFile(const std::string& path) = 0;
  // The mount point of the file system that holds the path: the "root of the
  // drive" onto which the companion joiner is copied.
  virtual std::string RootOf(const std::string& path) = 0;
};

class SystemDrives final : public DriveQueries {
 public:
  DriveKind GetDriveKind(const std::string& path) override;
  std::uint64_t GetAvailableSpace(const std::string& path) override;
  std::uint64_t GetLargestFile(const std::string& path) override;
  std::string RootOf(const std::string& path) override;
};

}  // namespace fennimar
