// Drive queries on Windows: the drive type and free space of the volume that
// holds a path, and that volume's root (D:\ for a stick in D:).
#include <windows.h>

#include "platform/drive.h"
#include "platform/path.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// The root of the volume that holds the path, such as D:\; empty when the
// system cannot tell.
std::wstring VolumeRootOf(const std::string& path) {
  wchar_t root[MAX_PATH + 1];
  if (!::GetVolumePathNameW(WideText(path).c_str(), root, MAX_PATH + 1)) return {};
  return root;
}

}  // namespace

DriveKind SystemDrives::GetDriveKind(const std::string& path) {
  std::wstring root = VolumeRootOf(path);
  return !root.empty() && ::GetDriveTypeW(root.c_str()) == DRIVE_REMOVABLE ? DriveKind::kRemovable
                                                                           : DriveKind::kFixed;
}

std::uint64_t SystemDrives::GetAvailableSpace(const std::string& path) {
  std::wstring root = VolumeRootOf(path);
  ULARGE_INTEGER available{};
  if (root.empty() || !::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

std::uint64_t SystemDrives::GetLargestFile(const std::string& path) {
  std::wstring root = VolumeRootOf(path);
  wchar_t system[MAX_PATH + 1];
  if (root.empty() || !::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                               system, MAX_PATH + 1)) {
    return kNoFileSizeLimit;
  }
  // "FAT" and "FAT32" keep a file's size in 32 bits; exFAT and NTFS do not.
  std::wstring name = system;
  return name == L"FAT" || name == L"FAT32" ? kFatLargestFile : kNoFileSizeLimit;
}

std::string SystemDrives::RootOf(const std::string& path) {
  std::wstring root = VolumeRootOf(path);
  if (root.empty()) return std::string(kRootDirectory);
  // The root keeps its trailing separator only where it is the whole drive.
  std::string text = NarrowText(root);
  if (text.size() > 3 && text.back() == kPathSeparator) text.pop_back();
  return text;
}

}  // namespace fennimar
