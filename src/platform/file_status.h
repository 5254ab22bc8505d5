// What is at a path: the one question the program asks of the file system
// before it opens, replaces or creates something, asked in one place.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_error.h"

namespace fennimar {

// What a directory entry is.
enum class EntryKind { kNone, kRegular, kDirectory, kSymbolicLink, kOther };

// What tells two names of one file apart from two files: the device and the
// file's number on it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  EntryKind kind = EntryKind::kNone;
  std::int64_t size = 0;
  std::int64_t modifiedTime = 0;  // seconds since 1970-01-01 00:00:00 UTC
  unsigned mode = 0;              // the permission bits; 0 where the system keeps none
  FileIdentity identity;
};

// Whether a symbolic link at the path is followed to what it names, or taken
// as the entry it is.
enum class Links { kFollow, kTakeAsIs };

// The status of what is at `path`. Fails with ErrorKind::kNotFound when
// nothing is there (with kFollow, also a link that leads nowhere), and with
// the system's reason when the status cannot be read.
Result<FileStatus> StatusOf(const std::string& path, Links links = Links::kFollow);
// The kind alone: kNone when nothing is there or the status cannot be read.
EntryKind KindOf(const std::string& path, Links links = Links::kFollow);

// Succeeds when this process may write the named file (its permission bits
// and the file system allow it; the superuser may write any file).
Result<void> CheckWritable(const std::string& path);

}  // namespace fennimar
