// Fuzzes the IMAP session's reading of arbitrary server bytes (responses,
// literals, tags), delivered over a socketpair whose far end stops sending
// after the bytes: every command must end, with an answer or a failure,
// and nothing may read past what arrived.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mail/imap/imap_session.h"
#include "server_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > ServerBytes::kMaxSize) return -1;
  ServerBytes server(data, size);
  fennimar::ImapSession session({}, {100, 100});
  session.Adopt(server.ClientEnd());
  (void)session.Login("user", "password");
  (void)session.Examine("INBOX");
  (void)session.SearchUids("ALL");
  (void)session.FetchMessage(1);
  session.Logout();
  return 0;
}
