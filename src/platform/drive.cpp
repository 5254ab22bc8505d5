#include "platform/drive.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "platform/path.h"

namespace fennimar {
namespace {

// The nearest existing ancestor of a path, made absolute: the split asks about
// target directories that it may still have to create.
std::string ExistingAncestor(const std::string& path) {
  std::string current = path.empty() ? std::string(kRootDirectory) : path;
  struct stat st {};
  while (::stat(current.c_str(), &st) != 0) {
    std::string parent = DirectoryOf(current);
    if (parent.empty()) return current[0] == kPathSeparator ? "/" : ".";
    current = parent;
  }
  char resolved[PATH_MAX];
  return ::realpath(current.c_str(), resolved) ? std::string(resolved) : current;
}

bool ReadFlag(const std::string& file) {
  std::ifstream in(file);
  int value = 0;
  return (in >> value) && value != 0;
}

}  // namespace

DriveKind SystemDrives::GetDriveKind(const std::string& path) {
  struct stat st {};
  if (::stat(ExistingAncestor(path).c_str(), &st) != 0) return DriveKind::kFixed;
  std::string link =
      "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  char resolved[PATH_MAX];
  if (!::realpath(link.c_str(), resolved)) return DriveKind::kFixed;  // tmpfs, overlay, nfs...
  std::string device(resolved);
  if (device.find("/usb") != std::string::npos) return DriveKind::kRemovable;
  // A partition carries no "removable" flag of its own; its disk is the parent.
  struct stat partition {};
  if (::stat((device + "/partition").c_str(), &partition) == 0) device = DirectoryOf(device);
  return ReadFlag(device + "/removable") ? DriveKind::kRemovable : DriveKind::kFixed;
}

std::uint64_t SystemDrives::GetAvailableSpace(const std::string& path) {
  struct statvfs vfs {};
  if (::statvfs(ExistingAncestor(path).c_str(), &vfs) != 0) return 0;
  return static_cast<std::uint64_t>(vfs.f_bavail) * static_cast<std::uint64_t>(vfs.f_frsize);
}

std::uint64_t SystemDrives::GetLargestFile(const std::string& path) {
  struct statfs fs {};
  if (::statfs(ExistingAncestor(path).c_str(), &fs) != 0) return kNoFileSizeLimit;
  // FAT12, FAT16 and FAT32 (msdos and vfat) share one magic number and keep a
  // file's size in 32 bits.
  return fs.f_type == MSDOS_SUPER_MAGIC ? kFatLargestFile : kNoFileSizeLimit;
}

std::string SystemDrives::RootOf(const std::string& path) {
  std::string current = ExistingAncestor(path);
  struct stat st {};
  if (::stat(current.c_str(), &st) != 0) return std::string(kRootDirectory);
  // Climb while the parent still lies on the same file system.
  while (current != kRootDirectory) {
    std::string parent = DirectoryOf(current);
    if (parent.empty()) parent = std::string(kRootDirectory);
    struct stat up {};
    if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    current = parent;
  }
  return current;
}

}  // namespace fennimar
