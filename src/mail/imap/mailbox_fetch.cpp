#include "mail/imap/mailbox_fetch.h"

#include <cstdint>
#include <vector>

#include "platform/directories.h"
#include "platform/file.h"

namespace fennimar {
namespace {

Result<void> MakeMaildir(const std::string& maildir) {
  for (const char* folder : {"/cur", "/new", "/tmp"}) {
    if (Result<void> made = MakeDirectory(maildir + folder); !made) return made;
  }
  return {};
}

Result<void> WriteMessage(const std::string& path, const std::string& message) {
  Result<File> file = File::CreateNew(path);
  if (!file) return file.error();
  if (Result<void> written = file->Write(message.data(), message.size()); !written) return written;
  return file->Close();
}

// Logs in, opens the mailbox and writes every message the search finds.
Result<std::size_t> FetchFound(ImapSession& session, const ImapAddress& address,
                               const ImapPasswordSource& password, const std::string& maildir) {
  Result<std::string> secret = password();
  if (!secret) return secret.error();
  if (Result<void> in = session.Login(address.user, *secret); !in) return in.error();
  if (Result<void> open = session.Examine(address.mailbox); !open) return open.error();
  Result<std::vector<std::uint32_t>> uids = session.SearchUids(kPartSearch);
  if (!uids) return uids.error();
  for (std::uint32_t uid : *uids) {
    Result<std::string> message = session.FetchMessage(uid);
    if (!message) return message.error();
    Result<void> written = WriteMessage(maildir + "/new/" + std::to_string(uid), *message);
    if (!written) return written.error();
  }
  return uids->size();
}

}  // namespace

Result<std::size_t> FetchPartMessages(const ImapAddress& address,
                                      const ImapPasswordSource& password,
                                      const std::string& maildir, const KeepWaiting& keepWaiting,
                                      ImapTimeouts timeouts) {
  if (Result<void> made = MakeMaildir(maildir); !made) return made.error();
  ImapSession session(keepWaiting, timeouts);
  if (Result<void> open = session.Open(address); !open) return open.error();
  Result<std::size_t> fetched = FetchFound(session, address, password, maildir);
  session.Logout();
  return fetched;
}

}  // namespace fennimar
