#include "cli/verify_command.h"

#include <iostream>
#include <string>

#include "cli/command_line.h"
#include "cli/command_parser.h"
#include "format/manifest.h"
#include "format/part_name.h"
#include "merge/set_check.h"
#include "platform/path.h"
#include "text/printf_text.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr int kWhole = 0;
constexpr int kRecoverable = 1;
constexpr int kNotRecoverable = 2;

// The part 00 a named manifest or part stands for: REPORT.sha256 and
// REPORT.Z03 both give REPORT.Z00.
std::string FirstPartOf(const std::string& named) {
  std::string_view path = named;
  if (path.ends_with(kManifestSuffix)) {
    path.remove_suffix(kManifestSuffix.size());
    return PartPathFromBase(path, 0);
  }
  return PartPathFromBase(PartBaseOf(path), 0);
}

void TellManifest(const SetReport& report) {
  switch (report.manifest.state) {
    case ManifestUse::State::kAbsent:
      std::cout << "No manifest (" << DisplayText(report.manifest.path)
                << "): the parts are checked by their checksums only.\n";
      break;
    case ManifestUse::State::kUsable:
      std::cout << "Manifest: " << DisplayText(report.manifest.path) << "\n";
      break;
    case ManifestUse::State::kRefused:
      std::cerr << DisplayText(RefusedManifestText(report.manifest)) << "\n";
      break;
  }
}

}  // namespace

int RunVerifyCommand(int argc, char** argv) {
  CommandParser parser("fennimar-cli verify PART|MANIFEST",
                       "Checks the part set that holds PART (any of NAME.Z00, NAME.Z01, ..., or\n"
                       "of its recovery files NAME.R00, ...), or that the manifest NAME.sha256\n"
                       "describes, without joining it: every\n"
                       "part's presence, header and checksum and, with a manifest, every part's\n"
                       "SHA-256 digest and the joined file's. Exit status: 0 the set is whole,\n"
                       "1 damaged but recoverable, 2 damaged and not recoverable.\n");
  std::string named;
  parser.app().add_option("PART", named)->required();
  CommandLineEnd end = parser.Parse(argc, argv);
  if (end != CommandLineEnd::kRun) return EndBeforeRunning(end, parser.message());
  if (!MakeAbsolute("fennimar-cli", named)) return kNotRecoverable;

  SetReport report = CheckSet(FirstPartOf(named));
  if (report.firstPartFault) {
    std::cerr << DisplayText(report.firstPath) << " " << *report.firstPartFault
              << ": the set cannot be checked or joined.\n";
    return kNotRecoverable;
  }
  TellManifest(report);
  for (const FaultyPart& part : report.faults) {
    std::cout << DisplayText(FileNameOf(part.path)) << ": " << DescribeFault(part.fault) << "\n";
  }
  if (report.joinedMatches == false) {
    std::cout << DisplayText(report.joinedName)
              << " (the joined data): its SHA-256 digest differs from the manifest's\n";
  }
  if (IsWhole(report)) {
    std::cout << Format("%d parts of %s: whole; the set can be joined.\n", report.partCount,
                        DisplayText(report.joinedName));
    return kWhole;
  }
  std::cout << Format("%d of %d parts are missing or damaged",
                      static_cast<int>(report.faults.size()), report.partCount);
  if (CanRebuild(report)) {
    std::cout << "; they can be rebuilt from the set's recovery parts.\n";
    return kRecoverable;
  }
  if (report.recovery) {
    std::cout << Format(
        "; the set cannot be joined as it is, and its %d sound recovery parts "
        "are too few to rebuild them.\n",
        report.recovery->sound);
  } else {
    std::cout << "; the set cannot be joined as it is, and it has no recovery parts to rebuild "
                 "them from.\n";
  }
  return kNotRecoverable;
}

}  // namespace fennimar
