// Fuzzes ReadReply with arbitrary server bytes, delivered over a socketpair
// whose far end is closed after the bytes: every reply must end, with a code
// or without one, within a bounded number of calls.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mail/smtp/smtp_session.h"

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
  ::close(pair[1]);

  fennimar::SmtpSession session;
  session.Adopt(pair[0]);
  // Every reply consumes at least one byte, so size + 1 calls must see the end.
  for (std::size_t calls = 0;; ++calls) {
    if (calls > size + 1) std::abort();
    if (session.ReadReply(100).code == 0) break;
  }
  return 0;
}
