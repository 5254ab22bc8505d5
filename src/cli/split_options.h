// SplitOptions: what `fennimar-cli split` takes after its command word, and
// how its size option reads.
#pragma once

#include <optional>
#include <string>

#include "cli/command_line.h"

namespace fennimar {

struct SplitOptions {
  std::string file;
  std::optional<std::string> directory;
  std::optional<std::string> size;
  std::optional<bool> fill;
  std::string mailTo;
  // --from-part: the first part to mail, counted from 1 as "Mailing part 3
  // of 7" counts; 0 when not given.
  int fromPart = 0;
  bool assumeYes = false;
};

// Reads the options. A usage error is no file or more than one, an unknown
// option, an option without its value, or an empty `-d` (which would mean
// the root), and --from-part that is no part number (1 to 100) or comes
// without --mail-to.
ParsedCommandLine<SplitOptions> ParseSplitOptions(int argc, char** argv, const char* usage);

// "100k" or "2m" as a byte count (times 1024 or 1024 * 1024); any other text
// unchanged, so that the split dialog's own checks report it.
std::string SizeInBytes(const std::string& size);

}  // namespace fennimar
