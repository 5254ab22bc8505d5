// SetCheck: what is wrong with a part set, found without joining it, so that
// every missing or damaged part is named at once rather than one at a time.
//
// The join looks at each later part's presence and header before it writes
// anything (CheckPartHeader); `verify` also reads every part's data, for its
// 16-bit checksum and, when the set has a manifest (NAME.sha256 beside part
// 00), for its SHA-256 digest and the joined file's (CheckSet). A set whose
// part 00 is lost is described by its recovery files instead.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/manifest.h"
#include "format/part_format.h"
#include "recovery/recovery_format.h"

namespace fennimar {

enum class PartFault {
  kNone,
  kMissing,       // no file under the part's name
  kNotOfThisSet,  // a file whose header does not place it in this set
  kUnreadable,    // a file that cannot be opened or read
  kChecksum,      // data that its 16-bit checksum contradicts, or too short
  kDigest,        // a file that its manifest line contradicts
};

// "missing", "not a part of this set", ...
std::string_view DescribeFault(PartFault fault);

struct FaultyPart {
  std::string path;
  PartFault fault = PartFault::kNone;
};

// One line per part, "<label>: <fault>", in the order given; beyond
// kMaxListedFaults parts, a last line "and N more", so that a message box
// stays within the screen.
inline constexpr std::size_t kMaxListedFaults = 10;
std::string ListFaults(const std::vector<FaultyPart>& faults,
                       const std::function<std::string(const std::string&)>& label);

// True when a later part's header places it at `index` of the set whose
// part 00 is `first`: its index, and the stored name, lengths and time. The
// count byte of later parts is not compared: after a split that filled each
// disk, only part 00 carries the true count.
bool BelongsToSet(const PartHeader& header, int index, const PartHeader& first);

// kNone, kMissing, kNotOfThisSet or kUnreadable for the part at `path`.
PartFault CheckPartHeader(const std::string& path, int index, const PartHeader& first);

// How a part 00 that cannot be used is listed: kMissing, kUnreadable, or
// kNotOfThisSet for a file that is no first part.
PartFault UnusableFirstPartFault(const std::string& path);

// True when `header` can stand for part 00 of a set: index 0 of 1 to 100
// parts, a plain stored name, a length that is one, and data that fits
// `dataRoom` bytes.
bool IsFirstHeader(const PartHeader& header, std::int64_t dataRoom);

// Part 00's header as the recovery files "<base>.Rnn" give it, for a set
// whose part 00 is missing or unusable: the count, name, time and size of
// the set, and part 00's data length (its checksum is not known: 0). The
// first recovery file with a sound header whose set a later part belongs to
// decides; with no later part there, the first with a sound header. Empty
// when there is none. Its data is then rebuilt like any lost part's.
std::optional<PartHeader> FirstHeaderFromRecovery(const std::string& partBase);

// The manifest beside a set, as a join may use it.
struct ManifestUse {
  enum class State {
    kAbsent,   // no file under the manifest's name
    kUsable,   // read, and it names the joined file
    kRefused,  // unreadable, malformed or another set's: not trusted
  };
  State state = State::kAbsent;
  std::string path;
  Manifest manifest;   // kUsable only
  std::string reason;  // kRefused only: why, for the user
};

// Reads "<base>.sha256"; it is this set's when it has a line for
// `joinedName`, the name the set joins to.
ManifestUse LoadManifest(const std::string& partBase, const std::string& joinedName);

// The message that tells a refused manifest: "The manifest <path> is not
// used: <reason>".
std::string RefusedManifestText(const ManifestUse& use);

// Compares the digests a join or a check computed (the parts' and, last, the
// joined file's, named as in a manifest) with the manifest's. The names of
// those the manifest contradicts or does not list, in order.
std::vector<std::string> ContradictedNames(const Manifest& computed, const Manifest& expected);

// The sound recovery files beside a set.
struct RecoveryFiles {
  RecoveryHeader header;           // the set they describe
  std::vector<std::string> paths;  // by index, empty where a file is missing or unsound
  int sound = 0;                   // the paths that are not empty
};

// Looks for the recovery files "<base>.Rnn" of the set whose part 00 is
// `first`. A file counts when it is sound (its header and payload match
// their CRCs), describes this set (name, time, size, part count and part
// 00's length), agrees with the first such file and, with a usable
// manifest, with its digest of the joined file. Empty when none counts.
std::optional<RecoveryFiles> FindRecoveryFiles(const std::string& partBase, const PartHeader& first,
                                               const ManifestUse& manifest,
                                               const std::string& joinedName);

// What `verify` finds in the set that holds `partPath`.
struct SetReport {
  // Part 00 cannot be used, and no recovery file stands for it: nothing else
  // could be checked. Holds why. (When a recovery file does, part 00 is one
  // of the faults.)
  std::optional<std::string> firstPartFault;
  std::string firstPath;
  int partCount = 0;
  std::string joinedName;
  ManifestUse manifest;
  std::vector<FaultyPart> faults;  // in part order
  // Whether the joined data matches the manifest's line for it; only with a
  // usable manifest and every part present.
  std::optional<bool> joinedMatches;
  std::optional<RecoveryFiles> recovery;
};

SetReport CheckSet(const std::string& partPath);

// True when the report finds nothing wrong.
bool IsWhole(const SetReport& report);

// Whether the faults found could be repaired from the set itself: part 00's
// header is usable, and no more parts are missing or damaged than the set
// has sound recovery files.
bool CanRebuild(const SetReport& report);

}  // namespace fennimar
