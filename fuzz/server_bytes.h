// ServerBytes: what a fuzzed client reads from its server, delivered over a
// socketpair whose far end sends the bytes and then stops sending. The far
// end stays open until the ServerBytes ends, so that what the client sends
// still goes somewhere (into a buffer no one reads).
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

class ServerBytes {
 public:
  // Beyond this, the bytes would not fit one socket buffer.
  static constexpr std::size_t kMaxSize = 65536;

  ServerBytes(const std::uint8_t* data, std::size_t size) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair_) != 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
      ssize_t n = ::write(pair_[1], data + written, size - written);
      if (n <= 0) std::abort();
      written += static_cast<std::size_t>(n);
    }
    ::shutdown(pair_[1], SHUT_WR);
  }
  ~ServerBytes() { ::close(pair_[1]); }
  ServerBytes(const ServerBytes&) = delete;
  ServerBytes& operator=(const ServerBytes&) = delete;

  // The client's end, for the session to adopt (and close).
  int ClientEnd() const { return pair_[0]; }

 private:
  int pair_[2] = {-1, -1};
};
