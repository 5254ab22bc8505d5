#include "cli/split_options.h"

#include <algorithm>
#include <limits>

#include "cli/command_parser.h"
#include "format/part_format.h"
#include "recovery/recovery_format.h"
#include "split/split_form.h"

namespace fennimar {
namespace {

constexpr const char* kUsage = "fennimar-cli split FILE [options]";
constexpr const char* kDescription =
    "Cuts FILE into numbered part files (NAME.Z00, NAME.Z01, ...).\n";

constexpr const char* kSizeHelp =
    "part size in bytes, header included, at least\n"
    "1086; k, m or g (also KiB, MiB, GiB) multiplies\n"
    "by 1024, 1024*1024 or 1024*1024*1024; 2dd and 2hd\n"
    "are the floppy sizes, fat32 the largest part, which\n"
    "fits a FAT32 USB stick (caps: a smaller file goes\n"
    "whole into one part); mail the largest part whose\n"
    "message the mail server takes (with --mail-to; the\n"
    "server must announce SIZE)";

bool IsPreset(const std::string& size) {
  for (const char* preset : {"2dd", "2DD", "2hd", "2HD", "fat32", "FAT32", "mail", "MAIL"}) {
    if (size == preset) return true;
  }
  return false;
}

// The complaint about a size that is neither a preset nor a part size that
// can be split to; empty when it is one. A size that reads is made bytes.
std::string CheckSize(std::string& size) {
  if (IsPreset(size)) return {};
  std::optional<std::int64_t> bytes = ParseByteSize(size);
  std::string named = "fennimar-cli: invalid size '" + size + "' for --size";
  if (!bytes) return named + "\n";
  if (*bytes < kMinPartSize) return named + ". " + SmallestPartSizeText() + "\n";
  size = std::to_string(*bytes);
  return {};
}

// The checks between options, made once every option is read.
std::string Complaint(SplitOptions& options, const std::vector<std::string>& files) {
  if (files.size() > 1) return "fennimar-cli: one file at a time\n";
  if (options.directory && options.directory->empty())
    return "fennimar-cli: -d needs a directory\n";
  if (options.size) {
    if (std::string complaint = CheckSize(*options.size); !complaint.empty()) return complaint;
  }
  if (options.fromPart > 0 && options.mailTo.empty()) {
    return "fennimar-cli: --from-part goes with --mail-to\n";
  }
  return {};
}

void DeclareOptions(CommandParser& parser, SplitOptions& options, std::vector<std::string>& files,
                    std::optional<std::string>& fromPart, std::optional<std::string>& recovery) {
  CLI::App& app = parser.app();
  app.add_option("FILE", files);
  app.add_option("-d,--dir", options.directory,
                 "directory for the parts (default: from the\nsettings)")
      ->type_name("DIR");
  app.add_option("-s,--size", options.size, kSizeHelp)->type_name("SIZE");
  app.add_flag_callback(
      "--fill", [&options] { options.fill = true; },
      "on removable disks, fill each disk to its free\nspace");
  app.add_flag_callback(
      "--no-fill", [&options] { options.fill = false; }, "keep the chosen size on removable disks");
  app.add_flag_callback(
      "--no-manifest", [&options] { options.manifest = false; },
      "write no SHA-256 manifest (NAME.sha256) beside the\nparts (default: the Manifest setting)");
  app.add_option("-r,--recovery", recovery,
                 "write N recovery files (NAME.R00, ...) after the\n"
                 "parts, from which a join rebuilds up to N missing\n"
                 "or damaged parts; N at most the number of parts\n"
                 "(default: the Recovery setting, 0 if none)")
      ->type_name("N");
  app.add_option("--mail-to", options.mailTo,
                 "mail every part to ADDR (server and return address\n"
                 "come from the settings); the server's size limit is\n"
                 "checked before any part is written")
      ->type_name("ADDR");
  app.add_option("--from-part", fromPart,
                 "with --mail-to: mail part N (as counted in \"Mailing\n"
                 "part N of M\") and the parts after it only; the parts\n"
                 "on disk must be this split's, missing ones are written")
      ->type_name("N");
  app.add_flag("-y,--yes", options.assumeYes, "answer Yes to every question");
  parser.AddVerbosity(options.verbosity);
}

}  // namespace

ParsedCommandLine<SplitOptions> ParseSplitOptions(int argc, char** argv) {
  CommandParser parser(kUsage, kDescription);
  SplitOptions options;
  std::vector<std::string> files;
  std::optional<std::string> fromPart;
  std::optional<std::string> recovery;
  DeclareOptions(parser, options, files, fromPart, recovery);
  CommandLineEnd end = parser.Parse(argc, argv);
  if (end != CommandLineEnd::kRun) return parser.Result(end, std::move(options));
  if (files.empty()) return parser.Result(parser.Refuse(""), std::move(options));
  if (fromPart) {
    auto number = ParseSizeNumber(*fromPart);
    if (!number || *number < 1 || *number > kMaxParts ||
        fromPart->find_first_not_of("0123456789") != std::string::npos) {
      return parser.Result(
          parser.Refuse("fennimar-cli: --from-part needs a part number from 1 to " +
                        std::to_string(kMaxParts) + "\n"),
          std::move(options));
    }
    options.fromPart = static_cast<int>(*number);
  }
  if (recovery) {
    auto number = ParseSizeNumber(*recovery);
    if (!number || *number > kMaxRecoveryFiles || recovery->empty() ||
        recovery->find_first_not_of("0123456789") != std::string::npos) {
      return parser.Result(parser.Refuse("fennimar-cli: --recovery needs a number from 0 to " +
                                         std::to_string(kMaxRecoveryFiles) + "\n"),
                           std::move(options));
    }
    options.recoveryCount = static_cast<int>(*number);
  }
  if (std::string complaint = Complaint(options, files); !complaint.empty()) {
    return parser.Result(parser.Refuse(complaint), std::move(options));
  }
  options.file = files.front();
  return parser.Result(end, std::move(options));
}

std::optional<std::int64_t> ParseByteSize(std::string_view text) {
  std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  if (digits == 0) return std::nullopt;
  std::string_view unit = text.substr(digits);
  if (unit.size() == 3 && unit.substr(1) == "iB") unit = unit.substr(0, 1);
  int shift = unit.empty()                 ? 0
              : unit == "k" || unit == "K" ? 10
              : unit == "m" || unit == "M" ? 20
              : unit == "g" || unit == "G" ? 30
                                           : -1;
  if (shift < 0) return std::nullopt;
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  std::int64_t number = 0;
  for (char digit : text.substr(0, digits)) {
    if (number > (kLargest - (digit - '0')) / 10) return std::nullopt;
    number = number * 10 + (digit - '0');
  }
  if (number > (kLargest >> shift)) return std::nullopt;
  return number << shift;
}

}  // namespace fennimar
