// SplitOptions: what `fennimar-cli split` takes after its command word, and
// how its size option reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/terminal_ui.h"

namespace fennimar {

struct SplitOptions {
  std::string file;
  std::optional<std::string> directory;
  // A preset (2dd, 2hd, fat32, mail, in either case) as given, or the part
  // size in bytes as decimal digits.
  std::optional<std::string> size;
  std::optional<bool> fill;
  std::optional<bool> manifest;      // --no-manifest: false
  std::optional<int> recoveryCount;  // -r, --recovery: the recovery files to write
  std::string mailTo;
  // --from-part: the first part to mail, counted from 1 as "Mailing part 3
  // of 7" counts; 0 when not given.
  int fromPart = 0;
  bool assumeYes = false;
  Verbosity verbosity = Verbosity::kNormal;
};

// Reads the options; the usage error's complaint and the help come from one
// place (CommandParser). A usage error is no file or more than one, an
// unknown option, an option without its value, an empty `-d` (which would
// mean the root), a size that does not read or lies below the smallest part
// size (`fennimar-cli: invalid size '1.5m' for --size`), and --from-part
// that is no part number (1 to 100) or comes without --mail-to, and a
// recovery count that is no number from 0 to 100.
ParsedCommandLine<SplitOptions> ParseSplitOptions(int argc, char** argv);

// "1086", "100k", "2M", "1GiB" as a byte count: digits, then nothing (bytes)
// or k, m or g in either case, alone or followed by "iB", multiplying by
// 1024, 1024^2 or 1024^3. Empty for any other text and for a count beyond
// what a 64-bit number holds.
std::optional<std::int64_t> ParseByteSize(std::string_view text);

}  // namespace fennimar
