#include "cli/extract_command.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/mailbox_sources.h"
#include "cli/source_arguments.h"
#include "cli/terminal_ui.h"
#include "mail/store/mail_source.h"
#include "mail/store/part_extractor.h"
#include "platform/stop_signals.h"
#include "ui/ensure_directory.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr SourceCommand kExtract = {
    "fennimar-cli extract SOURCE... [options]",
    "Writes every part file attached to the messages of each SOURCE (a saved\n"
    "message, an mbox file, a Maildir folder or an IMAP mailbox,\n"
    "imaps://USER@HOST[:PORT]/MAILBOX) into a directory, under its own name. A\n"
    "file that is there already is never replaced. Parts are grouped into\n"
    "sets by what their headers say: a set whose part names in the directory\n"
    "belong to another set (met before, or files already there) goes into a\n"
    "subfolder named after its file and time, such as \"REPORT.TXT 2026-11-30\n"
    "10-02-05\" (UTC); the same part received twice is written once. A set's\n"
    "manifest and recovery files are written beside its parts.\n",
    "directory for the parts (default: the current\ndirectory)", /*takesYes=*/true};

// "Skipped: inbox: not a mail message, mailbox or Maildir", or why it could
// not be read.
std::string NotMailText(const MailSource& source) {
  return "Skipped: " + DisplayText(source.label) + ": " +
         (!source.unreadable ? "not a mail message, mailbox or Maildir"
                             : "Can not open file: " + source.unreadable->Reason());
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  auto parsed = ParseSourceArguments(argc, argv, kExtract);
  if (parsed.end != CommandLineEnd::kRun) return EndBeforeRunning(parsed.end, parsed.message);
  const std::vector<std::string>& sources = parsed.arguments.sources;
  const std::string directory = parsed.arguments.directory.value_or(".");
  // A stop signal ends the run at its next check; the part being written
  // is removed.
  StopSignals signals;
  TerminalUi ui(parsed.arguments.assumeYes);
  ui.SetVerbosity(parsed.arguments.verbosity);
  // What was written or skipped, on standard output unless -q.
  auto say = [&ui](const std::string& line) {
    if (ui.Prints(line)) std::cout << line << "\n";
  };
  // Mailboxes are read before the directory is made: one that cannot be
  // read leaves nothing behind.
  MailboxSources mailboxes(
      ui, [&ui] { return !ui.StopRequested(); }, "Extract");
  std::optional<std::vector<MailSource>> found = mailboxes.ClassifyAll(sources);
  if (!found) return 1;
  // So are sources that hold no mail: with none left, nothing is made.
  std::vector<MailSource> classified;
  for (MailSource& one : *found) {
    if (one.IsMail()) {
      classified.push_back(std::move(one));
    } else {
      say(NotMailText(one));
    }
  }
  if (classified.empty()) return 1;
  // A missing directory is asked about, as a split asks about its own.
  if (!DirectoryIsThere(EnsureDirectory(ui, directory, "Extract"))) return 1;
  PartExtractor extractor(directory, [&ui] { return ui.StopRequested(); });
  std::size_t shown = 0;
  auto sayNew = [&] {
    for (; shown < extractor.results().size(); ++shown) {
      say(DisplayText(ExtractResultText(extractor.results()[shown], directory)));
    }
  };
  for (const MailSource& source : classified) {
    if (extractor.stopped()) break;
    std::size_t seen = extractor.seen();
    if (!extractor.AddSource(source)) {
      say(NotMailText(source));
    } else if (seen == extractor.seen() && !extractor.stopped()) {
      say("Skipped: " + DisplayText(source.label) + ": no attachments");
    }
    sayNew();
  }
  // A manifest is placed once every set in the mail is known.
  if (!extractor.stopped()) extractor.PlaceManifests();
  sayNew();
  return extractor.written() > 0 && !extractor.stopped() ? 0 : 1;
}

}  // namespace fennimar
