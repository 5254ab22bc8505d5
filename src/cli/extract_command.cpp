#include "cli/extract_command.h"

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/terminal_ui.h"
#include "mail/store/mail_source.h"
#include "mail/store/part_extractor.h"
#include "platform/fs.h"
#include "platform/stop_signals.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr const char* kUsage =
    "Usage: fennimar-cli extract SOURCE... [options]\n"
    "Writes every part file attached to the messages of each SOURCE (a saved\n"
    "message, an mbox file or a Maildir folder) into a directory, under its own\n"
    "name. A file that is there already is never replaced.\n"
    "  -d, --dir DIR   directory for the parts (default: the current directory)\n"
    "  -h, --help      show this text\n";

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  auto parsed = ParseSourceArguments(argc, argv, kUsage, /*takesYes=*/false);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  const std::vector<std::string>& sources = std::get<SourceArguments>(parsed).sources;
  const std::string directory = std::get<SourceArguments>(parsed).directory.value_or(".");
  if (!IsDirectory(directory)) {
    std::cerr << "fennimar-cli: " << directory << ": no such directory\n";
    return 1;
  }
  // A stop signal ends the run at its next check; the part being written
  // is removed.
  StopSignals signals;
  TerminalUi ui(/*assumeYes=*/false, /*yesOption=*/false);
  PartExtractor extractor(directory, [&ui] { return ui.StopRequested(); });
  std::size_t shown = 0;
  for (const std::string& source : sources) {
    if (extractor.stopped()) break;
    MailSource classified = ClassifySource(source);
    if (!extractor.AddSource(classified)) {
      std::cout << "Skipped: " << DisplayText(source) << ": "
                << (classified.unreadable.empty() ? "not a mail message, mailbox or Maildir"
                                                  : "Can not open file: " + classified.unreadable)
                << "\n";
    } else if (shown == extractor.results().size() && !extractor.stopped()) {
      std::cout << "Skipped: " << DisplayText(source) << ": no attachments\n";
    }
    for (; shown < extractor.results().size(); ++shown) {
      std::cout << DisplayText(ExtractResultText(extractor.results()[shown])) << "\n";
    }
  }
  return extractor.written() > 0 && !extractor.stopped() ? 0 : 1;
}

}  // namespace fennimar
