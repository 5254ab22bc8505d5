// PartOccupant: what a split finds under the name of a part it is about to
// write, and the removal of an earlier set's parts that the new set leaves
// in place.
//
// A part belongs to "the same set" when its header stores the source name,
// length and modification time that the new parts will store: re-splitting
// an unchanged file (with any part size) replaces its parts without asking.
// Any other regular file under a part's name, a part of another file or no
// part at all, is another file's, and the split asks before replacing it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "format/part_format.h"
#include "platform/system_error.h"

namespace fennimar {

struct PartOccupant {
  enum class Kind {
    kNone,       // nothing the new part would take away: no entry, a symbolic
                 // link (replaced, what it leads to is kept), or an entry the
                 // writer refuses (a directory, a FIFO, a device)
    kSameSet,    // a part of the set being written
    kOtherPart,  // a part of another file (or of another version of it)
    kOtherFile,  // a regular file that is no part
  };
  Kind kind = Kind::kNone;
  // kOtherPart: the source name its header stores (the part's own file name
  // when the header stores none); kOtherFile: the file's own name.
  std::string owner;
};

// The header of a regular file that is a part (IsPartFile); empty for
// anything else. A part shorter than a header reads as zeros beyond its end:
// a source length of 0, which no split source has, so such a part is always
// another file's.
std::optional<PartHeader> ReadPartHeader(const std::string& path);

// True when two headers describe one source: name, length and time.
bool IsSameSource(const PartHeader& a, const PartHeader& b);

// What lies under `partPath`, compared with `set`, the header fields every
// part of the new set shares.
PartOccupant FindPartOccupant(const std::string& partPath, const PartHeader& set);

// What lies under the name of the manifest a split is about to write:
// kNone as above, kSameSet for a manifest that a reader accepts and that
// names `joinedName` (an earlier split of the same file), kOtherPart for
// another file's manifest (the owner the file its last line names), and
// kOtherFile for any other regular file, its own name the owner.
PartOccupant FindManifestOccupant(const std::string& manifestPath, const std::string& joinedName);

// What lies under the name of a recovery file a split is about to write:
// kNone as above, kSameSet for a recovery file whose header names the
// source of `set` (name, length and time), kOtherFile for any other regular
// file, its own name the owner.
PartOccupant FindRecoveryOccupant(const std::string& recoveryPath, const PartHeader& set);

// Deletes the part files "<base>.Znn" from index `first` up to the last index
// names allow whose header `belongs` accepts. Only regular files that pass
// the part check are touched. Stops at the first part that cannot be
// deleted and returns it with the reason.
struct KeptPart {
  std::string path;
  SystemError error;
};
std::optional<KeptPart> RemoveParts(const std::string& base, int first,
                                    const std::function<bool(const PartHeader&)>& belongs);

}  // namespace fennimar
