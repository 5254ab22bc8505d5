// NetStream: a client's byte stream to a server over TCP, IPv4 or IPv6, that
// can be wrapped in TLS (OpenSSL) from its first byte or later on (as SMTP's
// STARTTLS does).
//
// Every step that waits takes a deadline for the whole step, not for each
// byte. Waits are cut into slices of kWaitSliceMs; after each slice the
// KeepWaiting callback is asked whether to go on, so that a window can be
// repainted and a Stop seen while a server is slow. Each step answers with a
// NetResult: how it ended and, when it failed, the SystemError that names
// the step and the peer.
//
// The certificate of a TLS server is checked against the system's store, or
// only against the file named by the SSL_CERT_FILE environment variable when
// that is set, and must name the host that was asked for. There is no
// fallback to plain text.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/system_error.h"

struct addrinfo;

namespace fennimar {

using Deadline = std::chrono::steady_clock::time_point;
// The deadline `ms` milliseconds from now.
Deadline DeadlineIn(int ms);

// Asked between two slices of a wait; false ends the wait as kStopped.
using KeepWaiting = std::function<bool()>;
inline constexpr int kWaitSliceMs = 100;

enum class NetStatus {
  kOk,
  kNoName,    // the host name cannot be resolved, or the port is no port
  kRefused,   // no address of the host took the connection
  kTimedOut,  // the deadline passed
  kStopped,   // KeepWaiting said no
  kClosed,    // the peer closed the connection (or it was never opened)
  kFailed,    // a send or receive failed
  kTlsFailed  // the handshake failed or the certificate was refused
};

// When TLS begins: with the connection's first byte, or on a connection that
// has spoken plain text until the server agreed to start TLS (STARTTLS).
// A handshake that fails is explained by what was expected.
enum class TlsStart { kFirstByte, kAfterStartTls };

// How a step of the stream ended: kOk, or the way it failed with the
// SystemError that tells why (the socket's code, or the words of TLS or the
// name service).
class [[nodiscard]] NetResult {
 public:
  NetResult() = default;
  NetResult(NetStatus status, SystemError error) : status_(status), error_(std::move(error)) {}

  bool ok() const { return status_ == NetStatus::kOk; }
  explicit operator bool() const { return ok(); }
  NetStatus status() const { return status_; }
  // The failure; only when !ok().
  const SystemError& error() const { return *error_; }
  // The failure as the user reads it: "step: reason", or the reason alone
  // for a failure that is no step of its own ("not connected").
  std::string Text() const;

 private:
  NetStatus status_ = NetStatus::kOk;
  std::optional<SystemError> error_;
};

struct Received {
  NetResult result;
  std::size_t count = 0;  // bytes stored; above 0 only when result is ok
};

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
  NetResult Connect(const std::string& host, int port, Deadline deadline);
  // Takes over an already connected stream socket (a socketpair end in tests
  // and fuzzers). False when a connection is open.
  bool Adopt(int socket);
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

  bool IsOpen() const { return socket_ >= 0; }
  bool IsEncrypted() const { return tls_ != nullptr; }
  // The address the connection runs from, as an SMTP address literal:
  // "[127.0.0.1]" or "[IPv6:::1]"; empty when not connected.
  std::string LocalAddressLiteral() const;

 private:
  struct Tls;
  // Waits until the socket is ready for `events` (poll flags).
  NetStatus Wait(short events, Deadline deadline);
  NetResult ConnectTo(const addrinfo& address, const std::string& where, Deadline deadline);

  KeepWaiting keepWaiting_;
  int socket_ = -1;
  std::unique_ptr<Tls> tls_;
  std::string peer_;  // "host port n", for messages
};

}  // namespace fennimar
