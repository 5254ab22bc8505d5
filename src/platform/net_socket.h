// NetSocket: a client's TCP connection to a server, IPv4 or IPv6, that never
// blocks: the plain bytes under a NetStream, which adds TLS on top. One
// implementation per system (BSD sockets, Winsock 2) behind this header.
//
// Every step that waits takes a deadline for the whole step, not for each
// byte. Waits are cut into slices of kWaitSliceMs; after each slice the
// KeepWaiting callback is asked whether to go on, so that a window can be
// repainted and a Stop seen while a server is slow. Each step answers with a
// NetResult: how it ended and, when it failed, the SystemError that names
// the step and the peer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/system_error.h"

struct addrinfo;
struct sockaddr_storage;

namespace fennimar {

using Deadline = std::chrono::steady_clock::time_point;
// The deadline `ms` milliseconds from now.
inline Deadline DeadlineIn(int ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}
// The milliseconds from now until `deadline`; 0 or less once it has passed.
inline long long MillisecondsLeft(Deadline deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                               std::chrono::steady_clock::now())
      .count();
}

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
  std::string Text() const {
    if (ok()) return {};
    return error_->step().empty() ? error_->Reason() : error_->Text();
  }

 private:
  NetStatus status_ = NetStatus::kOk;
  std::optional<SystemError> error_;
};

// A failure that has no code of the system's, told by `reason`.
inline NetResult NetFailure(NetStatus status, std::string step, std::string reason) {
  return {status, SystemError::WithReason(std::move(step), std::move(reason))};
}

// How a wait that did not end in readiness is told: a Stop, or `late`.
inline const char* WaitEnd(NetStatus waited, const char* late) {
  return waited == NetStatus::kStopped ? "stopped" : late;
}

struct Received {
  NetResult result;
  std::size_t count = 0;  // bytes stored; above 0 only when result is ok
};

// The system's handle of a socket: a descriptor on POSIX, a SOCKET (an
// unsigned pointer-sized value whose "none" is all ones) on Windows.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// What a wait waits for.
enum class Readiness { kReadable, kWritable };

// True when `host` is an IPv4 or IPv6 address (without brackets), not a name.
bool IsNumericAddress(const std::string& host);

class NetSocket {
 public:
  explicit NetSocket(KeepWaiting keepWaiting = {});
  ~NetSocket();  // closes
  NetSocket(const NetSocket&) = delete;
  NetSocket& operator=(const NetSocket&) = delete;

  // Resolves `host` (a name, or an IPv4 or IPv6 address without brackets)
  // and tries each of its addresses in turn until one connects, each within
  // its share of the time left before `deadline`. Ends any earlier
  // connection first. The name lookup runs on a thread of its own and is
  // waited for in slices like the network, so a name service that does not
  // answer ends at the deadline or at a Stop (kTimedOut, kStopped); a
  // lookup given up runs to its end alone.
  NetResult Connect(const std::string& host, int port, Deadline deadline);
  // Takes over an already connected stream socket (a socketpair end in tests
  // and fuzzers) and makes it non-blocking. False when a connection is open.
  bool Adopt(SocketHandle socket);
  // Waits until the socket is ready; kOk, kTimedOut, kStopped or kFailed.
  NetStatus Wait(Readiness readiness, Deadline deadline);
  // Sends all `size` bytes.
  NetResult Send(const char* data, std::size_t size, Deadline deadline);
  // Waits for input and stores what has arrived, at most `size` bytes.
  Received Receive(char* buffer, std::size_t size, Deadline deadline);
  // Closes the connection in both directions; nothing when none is open.
  void Close();

  bool IsOpen() const { return handle_ != kNoSocket; }
  SocketHandle handle() const { return handle_; }
  // "host port n" ("the server" for an adopted socket), for messages.
  const std::string& peer() const { return peer_; }
  // The address the connection runs from, as an SMTP address literal:
  // "[127.0.0.1]" or "[IPv6:::1]"; empty when not connected.
  std::string LocalAddressLiteral() const;

 private:
  // Readies the system's sockets for the process (once).
  static NetResult PrepareSockets();
  // Connects to one address within `deadline`, or fails with `where`.
  NetResult ConnectTo(const addrinfo& address, const std::string& where, Deadline deadline);
  // The address the connection runs from; false when there is none.
  bool LocalAddress(sockaddr_storage& address) const;

  KeepWaiting keepWaiting_;
  SocketHandle handle_ = kNoSocket;
  std::string peer_;
};

}  // namespace fennimar
