// Fuzzes ReadReply with arbitrary server bytes, delivered over a socketpair
// whose far end stops sending after the bytes: every reply must end, with a code
// or without one, within a bounded number of calls.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mail/smtp/smtp_session.h"
#include "server_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > ServerBytes::kMaxSize) return -1;
  ServerBytes server(data, size);
  fennimar::SmtpSession session;
  session.Adopt(server.ClientEnd());
  // Every reply consumes at least one byte, so size + 1 calls must see the end.
  for (std::size_t calls = 0;; ++calls) {
    if (calls > size + 1) std::abort();
    if (session.ReadReply(100).code == 0) break;
  }
  return 0;
}
