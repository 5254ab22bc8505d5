#include "cli/mail_command.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_parser.h"
#include "cli/reporting_mailer.h"
#include "cli/terminal_password.h"
#include "cli/terminal_ui.h"
#include "format/part_name.h"
#include "mail/smtp/smtp_part_mailer.h"
#include "platform/stop_signals.h"
#include "settings/settings_store.h"
#include "split/part_occupant.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr const char* kUsage = "fennimar-cli mail PART... --to ADDR [options]";
constexpr const char* kDescription =
    "Mails each part file as the one attachment of its own message, as a split\n"
    "with --mail-to does (server and return address come from the settings).\n";

struct MailArguments {
  std::vector<std::string> parts;
  std::string mailTo;
  bool all = false;
  Verbosity verbosity = Verbosity::kNormal;
};

// A usage error is no part, no recipient, an unknown option or --to without
// its value.
ParsedCommandLine<MailArguments> ParseMailArguments(int argc, char** argv) {
  CommandParser parser(kUsage, kDescription);
  MailArguments arguments;
  CLI::App& app = parser.app();
  app.add_option("PART", arguments.parts);
  app.add_option("--to", arguments.mailTo, "the recipient")->type_name("ADDR");
  app.add_flag("--all", arguments.all, "a part 00 brings every other part of its set along");
  parser.AddVerbosity(arguments.verbosity);
  CommandLineEnd end = parser.Parse(argc, argv);
  if (end == CommandLineEnd::kRun && arguments.parts.empty()) end = parser.Refuse("");
  if (end == CommandLineEnd::kRun && arguments.mailTo.empty()) {
    end = parser.Refuse("fennimar-cli: --to needs a recipient\n");
  }
  return parser.Result(end, std::move(arguments));
}

// One part to mail, with what its header says of its place in the set.
struct PartToMail {
  std::string path;
  PartHeader header;
};

// The parts the arguments name, in order; with `all`, each part 00 followed
// by the rest of its set. Empty after telling the user which argument is
// refused: no part, or, with `all`, a part other than 00 or a set that is
// not complete.
std::optional<std::vector<PartToMail>> CollectParts(const MailArguments& arguments) {
  std::vector<PartToMail> parts;
  for (const std::string& path : arguments.parts) {
    auto header = ReadPartHeader(path);
    if (!header) {
      std::cerr << "fennimar-cli: " << DisplayText(path) << ": not a part file\n";
      return std::nullopt;
    }
    parts.push_back({path, *header});
    if (!arguments.all) continue;
    if (header->partIndex != 0) {
      std::cerr << "fennimar-cli: " << DisplayText(path) << ": --all takes the part 00 of a set\n";
      return std::nullopt;
    }
    for (int index = 1; index < header->partCount; ++index) {
      std::string next = PartPathFromBase(PartBaseOf(path), index);
      auto found = ReadPartHeader(next);
      if (!found || found->partIndex != index || found->partCount != header->partCount ||
          !IsSameSource(*found, *header)) {
        std::cerr << "fennimar-cli: " << DisplayText(next) << ": part " << index + 1 << " of "
                  << int{header->partCount} << " of " << DisplayText(header->SourceName())
                  << " is missing\n";
        return std::nullopt;
      }
      parts.push_back({next, *found});
    }
  }
  return parts;
}

}  // namespace

int RunMailCommand(int argc, char** argv) {
  auto parsed = ParseMailArguments(argc, argv);
  if (parsed.end != CommandLineEnd::kRun) return EndBeforeRunning(parsed.end, parsed.message);
  // Nothing is sent unless every part can be.
  auto parts = CollectParts(parsed.arguments);
  if (!parts) return 1;
  // A stop signal ends the wait for the server; the part may have arrived.
  StopSignals signals;
  TerminalUi ui(/*assumeYes=*/false, /*yesOption=*/false);
  ui.SetVerbosity(parsed.arguments.verbosity);
  SettingsStore settings = SettingsStore::ForUser();
  // The same mailer as a split's with --mail-to: the same message per part.
  SmtpPartMailer smtp(settings, kDefaultApplicationTitle, TerminalPassword());
  ReportingMailer mailer(smtp);
  if (!mailer.CanMail(ui)) return 1;
  for (const PartToMail& part : *parts) {
    MailOutcome outcome = mailer.MailPart(
        ui, part.path, parsed.arguments.mailTo, part.header.SourceName(), part.header.partIndex,
        part.header.partCount, [&ui] { return !ui.StopRequested(); });
    if (outcome != MailOutcome::kMailed) {
      std::cerr << "fennimar-cli: " << DisplayText(part.path) << " was not mailed\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace fennimar
