// Fuzzes the IMAP session's reading of arbitrary server bytes (responses,
// literals, tags), delivered over a socketpair whose far end stops sending
// after the bytes: every command must end, with an answer or a failure,
// and nothing may read past what arrived.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mail/imap/imap_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return -1;  // beyond what one socket buffer holds
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) std::abort();
  std::size_t written = 0;
  while (written < size) {
    ssize_t n = ::write(pair[1], data + written, size - written);
    if (n <= 0) std::abort();
    written += static_cast<std::size_t>(n);
  }
  // The commands still go out (into a buffer no one reads); only the
  // server's side of the conversation ends.
  ::shutdown(pair[1], SHUT_WR);

  fennimar::ImapSession session({}, {100, 100});
  session.Adopt(pair[0]);
  (void)session.Login("user", "password");
  (void)session.Examine("INBOX");
  (void)session.SearchUids("ALL");
  (void)session.FetchMessage(1);
  session.Logout();
  ::close(pair[1]);
  return 0;
}
