// Manifest: the SHA-256 digests of a part set, in the text format of
// sha256sum, written beside the parts as "<base>.sha256" (REPORT.sha256 for
// REPORT.Z00, REPORT.Z01, ...), so that `sha256sum -c REPORT.sha256` checks
// the parts on any system and, after a join, the joined file too.
//
// One line per file, "<64 hex digits><two spaces><file name>\n": each part
// file (its header included, the whole file as it lies on disk), and then
// the joined file under the name a join gives it. The reader also takes
// sha256sum's binary mark ("<hex> *<name>") and a line ending in "\r\n".
//
// The reader is strict, since a manifest arrives from anywhere: a text above
// kMaxManifestSize or with more than kMaxManifestLines lines, a line of
// another shape (sha256sum's escaped "\" lines, blank lines, other digests),
// a name that is empty, ".", "..", holds a slash or a backslash or a control
// character, or is longer than kMaxManifestName bytes, and a name given
// twice are all refused; a refused manifest is not used at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "format/sha256.h"
#include "platform/system_error.h"

namespace fennimar {

inline constexpr std::string_view kManifestSuffix = ".sha256";
// A set has at most 100 parts and a joined file: 101 lines of at most
// 64 + 2 + kMaxManifestName + 2 bytes fit well under this.
inline constexpr std::size_t kMaxManifestSize = 64 * 1024;
inline constexpr std::size_t kMaxManifestLines = 256;
inline constexpr std::size_t kMaxManifestName = 255;

struct ManifestEntry {
  std::string name;  // a plain file name, never a path
  Sha256Digest digest{};
};

struct Manifest {
  std::vector<ManifestEntry> entries;

  // The entry for a file name, compared byte for byte; null when absent.
  const ManifestEntry* Find(std::string_view name) const;
};

// Why a manifest text was refused.
enum class ManifestRefusal {
  kNone,
  kTooLarge,      // above kMaxManifestSize bytes or kMaxManifestLines lines
  kEmpty,         // no line at all
  kMalformed,     // a line that is not "<hex>  <name>" or "<hex> *<name>"
  kUnsafeName,    // a name that could leave the directory or hides characters
  kDuplicateName  // a name on two lines
};

struct ManifestReading {
  ManifestRefusal refusal = ManifestRefusal::kNone;
  std::size_t line = 0;  // the refused line, from 1; 0 for the whole text
  Manifest manifest;     // empty unless refusal is kNone
};

// The manifest `text` holds, or why it holds none.
ManifestReading ParseManifest(std::string_view text);

// Reads and parses the manifest file at `path`; a file above
// kMaxManifestSize is refused (kTooLarge) without reading it all. A failure
// to open or read it comes back as the SystemError.
Result<ManifestReading> ReadManifest(const std::string& path);

// What a refusal means, for the user: "line 3: a file name with a slash, a
// control character or a name that is no plain file name".
std::string DescribeRefusal(const ManifestReading& reading);

// The text of a manifest, one "<hex>  <name>\n" line per entry in order.
// The names must be ones the reader accepts (IsManifestName).
std::string EncodeManifest(const Manifest& manifest);

// True when the reader accepts `name` as a file name.
bool IsManifestName(std::string_view name);

// The manifest's path for the part base "<directory>/<stem>".
std::string ManifestPathFromBase(std::string_view base);

}  // namespace fennimar
