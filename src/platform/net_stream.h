// NetStream: a client's byte stream to a server over TCP, IPv4 or IPv6, that
// can be wrapped in TLS (OpenSSL) from its first byte or later on (as SMTP's
// STARTTLS does).
//
// Its steps wait as NetSocket's do (net_socket.h): each within a deadline
// for the whole step, asking KeepWaiting between slices.
//
// The certificate of a TLS server is checked against the system's store, or
// only against the file named by the SSL_CERT_FILE environment variable when
// that is set (trusted_roots.h), and must name the host that was asked for.
// There is no fallback to plain text.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/net_socket.h"

namespace fennimar {

// When TLS begins: with the connection's first byte, or on a connection that
// has spoken plain text until the server agreed to start TLS (STARTTLS).
// A handshake that fails is explained by what was expected.
enum class TlsStart { kFirstByte, kAfterStartTls };

class NetStream {
 public:
  explicit NetStream(KeepWaiting keepWaiting = {});
  ~NetStream();
  NetStream(const NetStream&) = delete;
  NetStream& operator=(const NetStream&) = delete;

  // Resolves `host` (a name, or an IPv4 or IPv6 address without brackets)
  // and tries each of its addresses in turn until one connects, each within
  // its share of the time left before `deadline`. Ends any earlier
  // connection first. The name lookup runs on a thread of its own and is
  // waited for in slices like the network, so a name service that does not
  // answer ends at the deadline or at a Stop (kTimedOut, kStopped).
  NetResult Connect(const std::string& host, int port, Deadline deadline) {
    Close();
    return socket_.Connect(host, port, deadline);
  }
  // Takes over an already connected stream socket (a socketpair end in tests
  // and fuzzers). False when a connection is open.
  bool Adopt(SocketHandle socket) { return socket_.Adopt(socket); }
  // Wraps the connection in TLS and checks the server's certificate against
  // `host`. kTlsFailed when either fails.
  NetResult StartTls(const std::string& host, Deadline deadline,
                     TlsStart start = TlsStart::kFirstByte);
  // Sends all `size` bytes.
  NetResult Send(const char* data, std::size_t size, Deadline deadline);
  // Waits for input and stores what has arrived, at most `size` bytes.
  Received Receive(char* buffer, std::size_t size, Deadline deadline);
  // Ends TLS (without waiting for the peer) and closes the socket.
  void Close();

  bool IsOpen() const { return socket_.IsOpen(); }
  bool IsEncrypted() const { return tls_ != nullptr; }
  // The address the connection runs from, as an SMTP address literal:
  // "[127.0.0.1]" or "[IPv6:::1]"; empty when not connected.
  std::string LocalAddressLiteral() const { return socket_.LocalAddressLiteral(); }

 private:
  struct Tls;
  // Waits for what OpenSSL asked for after `result` of one of its calls:
  // kOk to call it again, or how the wait or the call ended.
  NetStatus AwaitTls(int result, Deadline deadline);

  NetSocket socket_;
  std::unique_ptr<Tls> tls_;
};

}  // namespace fennimar
