// MailboxSources: the sources of join and extract, where a source may also
// name a mailbox on an IMAP server (imaps://USER@HOST[:PORT]/MAILBOX). Such
// a mailbox's messages that may carry parts are fetched into a private
// temporary Maildir, which lives (locked) as long as this object and is
// removed however the run ends; the join and extraction then read it as
// any Maildir, named to the user by the address.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mail/store/mail_source.h"
#include "platform/locked_temp_directory.h"
#include "platform/net_stream.h"
#include "ui/user_interface.h"

namespace fennimar {

class MailboxSources {
 public:
  // `ui` and `keepWaiting` must outlive this object. `caption` heads the
  // messages about a mailbox that cannot be read.
  MailboxSources(UserInterface& ui, KeepWaiting keepWaiting, std::string caption);

  // What `source` is: ClassifySource for a path; for an IMAP address, the
  // Maildir of its fetched messages. None, after one message that names the
  // address and the reason (none after a Stop), when an address is no IMAP
  // address or its mailbox cannot be read.
  std::optional<MailSource> Classify(const std::string& source);
  // Classify for each of `sources`, in order; none as soon as one is none.
  std::optional<std::vector<MailSource>> ClassifyAll(const std::vector<std::string>& sources);

 private:
  std::optional<MailSource> Fetch(const std::string& source);

  UserInterface& ui_;
  KeepWaiting keepWaiting_;
  std::string caption_;
  std::vector<std::unique_ptr<LockedTempDirectory>> directories_;
};

// True when `source` is written as an address ("scheme://"), not a path:
// it is not made absolute, and only IMAP addresses are taken.
bool IsAddressSource(const std::string& source);

}  // namespace fennimar
