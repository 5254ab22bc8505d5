#include "cli/split_options.h"

#include <cstdint>

#include "format/part_format.h"
#include "split/split_form.h"

namespace fennimar {

ParsedCommandLine<SplitOptions> ParseSplitOptions(int argc, char** argv, const char* usage) {
  ParsedCommandLine<SplitOptions> parsed;
  SplitOptions& options = parsed.arguments;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    // The value of an option that takes one; empty when it is missing.
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    std::optional<std::string>* valued = arg == "-d" || arg == "--dir"    ? &options.directory
                                         : arg == "-s" || arg == "--size" ? &options.size
                                                                          : nullptr;
    if (arg == "-h" || arg == "--help") {
      return parsed.Ended(CommandLineEnd::kHelp, usage, "");
    } else if (valued || arg == "--mail-to" || arg == "--from-part") {
      auto given = value();
      if (!given)
        return parsed.Ended(CommandLineEnd::kUsageError, usage,
                            "fennimar-cli: " + arg + " needs a value\n");
      if (valued) {
        *valued = std::move(given);
      } else if (arg == "--from-part") {
        auto number = ParseSizeNumber(*given);
        if (!number || *number < 1 || *number > kMaxParts ||
            given->find_first_not_of("0123456789") != std::string::npos) {
          return parsed.Ended(CommandLineEnd::kUsageError, usage,
                              "fennimar-cli: --from-part needs a part number from 1 to " +
                                  std::to_string(kMaxParts) + "\n");
        }
        options.fromPart = static_cast<int>(*number);
      } else {
        options.mailTo = *given;
      }
    } else if (arg == "--fill" || arg == "--no-fill") {
      options.fill = arg == "--fill";
    } else if (arg == "-y" || arg == "--yes") {
      options.assumeYes = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return parsed.Ended(CommandLineEnd::kUsageError, usage,
                          "fennimar-cli: unknown option " + arg + "\n");
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      return parsed.Ended(CommandLineEnd::kUsageError, usage, "fennimar-cli: one file at a time\n");
    }
  }
  if (options.file.empty()) return parsed.Ended(CommandLineEnd::kUsageError, usage, "");
  if (options.directory && options.directory->empty()) {
    return parsed.Ended(CommandLineEnd::kUsageError, usage, "fennimar-cli: -d needs a directory\n");
  }
  if (options.fromPart > 0 && options.mailTo.empty()) {
    return parsed.Ended(CommandLineEnd::kUsageError, usage,
                        "fennimar-cli: --from-part goes with --mail-to\n");
  }
  return parsed;
}

std::string SizeInBytes(const std::string& size) {
  if (size.size() < 2) return size;
  char unit = size.back();
  std::int64_t factor = unit == 'k' || unit == 'K'   ? 1024
                        : unit == 'm' || unit == 'M' ? 1048576
                                                     : 0;
  auto number = ParseSizeNumber(size.substr(0, size.size() - 1));
  if (factor == 0 || !number || size.find_first_not_of("0123456789", 0) != size.size() - 1) {
    return size;
  }
  return std::to_string(*number * factor);
}

}  // namespace fennimar
