// File-system operations beside File: existence, status, identity, one-level
// directory creation, deletion, renaming, file times, modes, the working
// directory and temporary files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennimar {

class File;

struct FileStatus {
  std::int64_t size = 0;
  std::int64_t modifiedTime = 0;  // seconds since 1970-01-01 00:00:00 UTC
  bool isDirectory = false;
};

// What tells two names of one file apart from two files: the device and the
// file's number on it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Status of the named object, following symbolic links; empty when it cannot be told.
std::optional<FileStatus> StatPath(const std::string& path);
// True when a file or directory of that name exists.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// True when the directory entry exists, also as a dangling symbolic link.
bool EntryExists(const std::string& path);
bool IsSymbolicLink(const std::string& path);
// The identity of the named file (following links) or of an open file; empty
// when it cannot be told.
std::optional<FileIdentity> IdentityOf(const std::string& path);
std::optional<FileIdentity> IdentityOf(const File& file);
// The identity of the directory entry itself, a symbolic link taken as it is.
std::optional<FileIdentity> EntryIdentityOf(const std::string& path);
// True when the system gives the name to a device in every directory, so that
// a file of that name cannot be created there (CON, NUL, COM1 on Windows).
bool IsDeviceName(std::string_view name);

// What a directory entry is, a symbolic link taken as it is; kNone when the
// name does not exist.
enum class EntryKind { kNone, kRegular, kDirectory, kSymbolicLink, kOther };
EntryKind EntryKindOf(const std::string& path);
// The permission bits of the named file (following links); empty when unknown.
std::optional<unsigned> FileModeOf(const std::string& path);
// Replaces `to` by `from` in one step; a link at `to` is replaced, never
// followed.
bool RenameFile(const std::string& from, const std::string& to);
// The path with every symbolic link resolved; the path itself when it does
// not lead to an existing file.
std::string ResolvedPath(const std::string& path);
// Creates one directory level; its parent must exist.
bool MakeDirectory(const std::string& path);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);
// Sets access and modification time of a file to the given seconds.
bool SetFileTimes(const std::string& path, std::int64_t accessTime, std::int64_t modifiedTime);

// The path made absolute against the working directory ("" stays ""); empty
// when it is relative and the working directory cannot be read (deleted, or
// beyond the process's root), since the path would then lead elsewhere.
std::optional<std::string> AbsolutePath(const std::string& path);
// The names in a directory, without "." and "..", in no particular order;
// empty when it cannot be read.
std::vector<std::string> DirectoryEntries(const std::string& directory);
// True when the named object is a regular file, following links (so a
// FIFO or a device, which may block a reader, is not).
bool IsRegularFile(const std::string& path);
// True when this process may write the named file (its permission bits and
// the file system allow it; the superuser may write any file). When false,
// errno tells why.
bool IsWritable(const std::string& path);
// Creates a symbolic link `link` that points at `target`.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

enum class RenameResult { kRenamed, kTargetExists, kFailed };
// Gives `from` the name `to` unless a file of that name exists.
RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// The directory that holds the running program's file; empty when unknown.
std::string ProgramDirectory();

// A temporary file, created with mkstemp in $TMPDIR (default /tmp) and deleted
// when the owner goes out of scope.
class TempFile {
 public:
  // Empty when no temporary file can be created.
  static std::optional<TempFile> Create(const std::string& prefix);
  ~TempFile();
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&&) = delete;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& Path() const { return path_; }

 private:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

// A private directory, created with mkdtemp in $TMPDIR (default /tmp) and
// removed with the files in it when the owner goes out of scope.
class TempDirectory {
 public:
  // Empty when no directory can be created.
  static std::optional<TempDirectory> Create(const std::string& prefix);
  ~TempDirectory();
  TempDirectory(TempDirectory&& other) noexcept;
  TempDirectory& operator=(TempDirectory&&) = delete;
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return path_; }

 private:
  explicit TempDirectory(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace fennimar
