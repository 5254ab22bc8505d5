#include "platform/net_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>

#include "platform/name_lookup.h"

namespace fennimar {
namespace {

// OpenSSL writes to the socket with write(2): a peer that has gone away
// would raise SIGPIPE and end the program instead of failing the send.
void IgnoreBrokenPipes() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

}  // namespace

SystemError LookupFailure(std::string step, int result) {
  return SystemError::WithReason(std::move(step), ::gai_strerror(result));
}

bool IsNumericAddress(const std::string& host) {
  in6_addr any{};
  return ::inet_pton(AF_INET, host.c_str(), &any) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), &any) == 1;
}

NetStatus NetSocket::Wait(Readiness readiness, Deadline deadline) {
  short events = readiness == Readiness::kReadable ? POLLIN : POLLOUT;
  for (;;) {
    auto left = MillisecondsLeft(deadline);
    if (left <= 0) return NetStatus::kTimedOut;
    pollfd p{static_cast<int>(handle_), events, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kWaitSliceMs)));
    if (ready > 0) return NetStatus::kOk;
    if (ready < 0 && errno != EINTR) return NetStatus::kFailed;
    if (keepWaiting_ && !keepWaiting_()) return NetStatus::kStopped;
  }
}

NetResult NetSocket::PrepareSockets() {
  IgnoreBrokenPipes();
  return {};
}

NetResult NetSocket::ConnectTo(const addrinfo& address, const std::string& where,
                               Deadline deadline) {
  int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    address.ai_protocol);
  if (fd < 0) return {NetStatus::kRefused, SystemError::Last(where)};
  handle_ = fd;
  NetStatus status = NetStatus::kRefused;
  int error = 0;
  if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      status = Wait(Readiness::kWritable, deadline);
      socklen_t length = sizeof error;
      if (status == NetStatus::kOk) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    }
  }
  if (error == 0) {
    // Messages go out through our own large buffer; Nagle's algorithm would
    // only hold back the last short piece until the peer's delayed
    // acknowledgement.
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return {};
  }
  Close();
  if (status == NetStatus::kStopped) return NetFailure(status, where, "stopped");
  if (status == NetStatus::kTimedOut) return NetFailure(status, where, "timed out");
  return {NetStatus::kRefused, SystemError(where, error)};
}

bool NetSocket::Adopt(SocketHandle socket) {
  if (handle_ != kNoSocket) return false;
  IgnoreBrokenPipes();
  int fd = static_cast<int>(socket);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  handle_ = socket;
  peer_ = "the server";
  return true;
}

NetResult NetSocket::Send(const char* data, std::size_t size, Deadline deadline) {
  if (handle_ == kNoSocket) return NetFailure(NetStatus::kClosed, {}, "not connected");
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::send(static_cast<int>(handle_), data + done, size - done, MSG_NOSIGNAL);
    if (n >= 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return {NetStatus::kFailed, SystemError::Last("sending to " + peer_)};
    }
    NetStatus waited = Wait(Readiness::kWritable, deadline);
    if (waited != NetStatus::kOk)
      return NetFailure(waited, "sending to " + peer_, WaitEnd(waited, "timed out"));
  }
  return {};
}

Received NetSocket::Receive(char* buffer, std::size_t size, Deadline deadline) {
  if (handle_ == kNoSocket) return {NetFailure(NetStatus::kClosed, {}, "not connected"), 0};
  for (;;) {
    ssize_t n = ::recv(static_cast<int>(handle_), buffer, size, 0);
    if (n > 0) return {{}, static_cast<std::size_t>(n)};
    if (n == 0) return {NetFailure(NetStatus::kClosed, {}, peer_ + " closed the connection"), 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return {{NetStatus::kFailed, SystemError::Last("receiving from " + peer_)}, 0};
    }
    NetStatus waited = Wait(Readiness::kReadable, deadline);
    if (waited != NetStatus::kOk) {
      return {NetFailure(waited, "waiting for " + peer_, WaitEnd(waited, "no answer in time")), 0};
    }
  }
}

void NetSocket::Close() {
  if (handle_ == kNoSocket) return;
  ::shutdown(static_cast<int>(handle_), SHUT_RDWR);
  ::close(static_cast<int>(handle_));
  handle_ = kNoSocket;
}

bool NetSocket::LocalAddress(sockaddr_storage& address) const {
  socklen_t length = sizeof address;
  return handle_ != kNoSocket && ::getsockname(static_cast<int>(handle_),
                                               reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

}  // namespace fennimar
