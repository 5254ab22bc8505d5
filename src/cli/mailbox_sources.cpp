#include "cli/mailbox_sources.h"

#include "cli/terminal_password.h"
#include "mail/imap/imap_address.h"
#include "mail/imap/mailbox_fetch.h"
#include "platform/keyring.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr const char* kTempPrefix = "fennimar-imap-";
// How long the desktop's keyring may take to answer before the password is
// asked for instead.
constexpr int kKeyringWaitMs = 3000;

std::optional<std::string> KeyringPassword(const std::string& user, const std::string& server) {
  Result<std::string> found = LookupImapPassword(user, server, kKeyringWaitMs);
  if (!found) return std::nullopt;
  return *found;
}

}  // namespace

MailboxSources::MailboxSources(UserInterface& ui, KeepWaiting keepWaiting, std::string caption)
    : ui_(ui), keepWaiting_(std::move(keepWaiting)), caption_(std::move(caption)) {}

bool IsAddressSource(const std::string& source) { return LooksLikeUrl(source); }

std::optional<MailSource> MailboxSources::Classify(const std::string& source) {
  if (!IsAddressSource(source)) return ClassifySource(source);
  if (!IsImapAddress(source)) {
    ui_.ShowMessage(MessageText("Not a supported address", source,
                                "mail is read from imaps://USER@HOST[:PORT]/MAILBOX"),
                    caption_, MessageKind::kOkWarning);
    return std::nullopt;
  }
  return Fetch(source);
}

std::optional<std::vector<MailSource>> MailboxSources::ClassifyAll(
    const std::vector<std::string>& sources) {
  std::vector<MailSource> classified;
  for (const std::string& source : sources) {
    std::optional<MailSource> one = Classify(source);
    if (!one) return std::nullopt;
    classified.push_back(std::move(*one));
  }
  return classified;
}

std::optional<MailSource> MailboxSources::Fetch(const std::string& source) {
  Result<ImapAddress> address = ParseImapAddress(source);
  auto fail = [&](const SystemError& error) -> std::optional<MailSource> {
    if (!keepWaiting_()) return std::nullopt;
    ui_.ShowMessage(MessageText("Can not read the mailbox", source, error.Text()), caption_,
                    MessageKind::kOkWarning);
    return std::nullopt;
  };
  if (!address) return fail(address.error());
  Result<LockedTempDirectory> directory = LockedTempDirectory::Create(kTempPrefix);
  if (!directory) return fail(directory.error());
  directories_.push_back(std::make_unique<LockedTempDirectory>(std::move(*directory)));
  const std::string& maildir = directories_.back()->Path();
  PasswordSource terminal = TerminalPassword(kImapPasswordVariable, KeyringPassword);
  const std::string server = address->host + ":" + std::to_string(address->port);
  ImapPasswordSource password = [&]() -> Result<std::string> {
    PasswordAnswer answer = terminal(address->user, server, keepWaiting_);
    if (answer.password) return *answer.password;
    return SystemError::WithReason("get the password", answer.reason);
  };
  Result<std::size_t> fetched = FetchPartMessages(*address, password, maildir, keepWaiting_);
  if (!fetched) return fail(fetched.error());
  MailSource fetchedSource = ClassifySource(maildir);
  fetchedSource.label = address->label;
  return fetchedSource;
}

}  // namespace fennimar
