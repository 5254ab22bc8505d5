// NetSocket on Windows: Winsock 2, started once per process. Waits use
// select(), which reports a failed connect in its exception set rather than
// as writable, so every wait watches both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "platform/name_lookup.h"
#include "platform/net_socket.h"

namespace fennimar {
namespace {

// Winsock must be started before the first socket or name lookup; it stays
// started for the life of the process. The code of a failed start, or 0.
int StartWinsock() {
  static const int started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return started;
}

SOCKET Native(SocketHandle handle) { return static_cast<SOCKET>(handle); }

// At most what one send or recv takes (their lengths are ints).
int Chunk(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

bool SetNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}

}  // namespace

// getaddrinfo's results are Winsock's codes, which the system has words for.
SystemError LookupFailure(std::string step, int result) { return {std::move(step), result}; }

bool IsNumericAddress(const std::string& host) {
  StartWinsock();
  in6_addr any{};
  return ::inet_pton(AF_INET, host.c_str(), &any) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), &any) == 1;
}

NetStatus NetSocket::Wait(Readiness readiness, Deadline deadline) {
  for (;;) {
    auto left = MillisecondsLeft(deadline);
    if (left <= 0) return NetStatus::kTimedOut;
    long slice = static_cast<long>(std::min<long long>(left, kWaitSliceMs));
    timeval timeout{0, slice * 1000};
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(Native(handle_), &wanted);
    FD_SET(Native(handle_), &failed);
    int ready = readiness == Readiness::kReadable
                    ? ::select(0, &wanted, nullptr, &failed, &timeout)
                    : ::select(0, nullptr, &wanted, &failed, &timeout);
    if (ready > 0) return NetStatus::kOk;
    if (ready == SOCKET_ERROR) return NetStatus::kFailed;
    if (keepWaiting_ && !keepWaiting_()) return NetStatus::kStopped;
  }
}

NetResult NetSocket::PrepareSockets() {
  if (int code = StartWinsock(); code != 0) {
    return {NetStatus::kFailed, SystemError("cannot start Windows Sockets", code)};
  }
  return {};
}

NetResult NetSocket::ConnectTo(const addrinfo& address, const std::string& where,
                               Deadline deadline) {
  // Not inherited: a program started meanwhile must not hold the connection
  // open.
  SOCKET socket = ::WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol, nullptr,
                               0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET)
    return {NetStatus::kRefused, SystemError(where, ::WSAGetLastError())};
  handle_ = static_cast<SocketHandle>(socket);
  NetStatus status = NetStatus::kRefused;
  int error = SetNonBlocking(socket) ? 0 : ::WSAGetLastError();
  if (error == 0 &&
      ::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == SOCKET_ERROR) {
    error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) {
      status = Wait(Readiness::kWritable, deadline);
      int length = sizeof error;
      if (status == NetStatus::kOk) {
        ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
      }
    }
  }
  if (error == 0) {
    // Messages go out through our own large buffer; Nagle's algorithm would
    // only hold back the last short piece until the peer's delayed
    // acknowledgement.
    BOOL on = TRUE;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return {};
  }
  Close();
  if (status == NetStatus::kStopped) return NetFailure(status, where, "stopped");
  if (status == NetStatus::kTimedOut) return NetFailure(status, where, "timed out");
  return {NetStatus::kRefused, SystemError(where, error)};
}

bool NetSocket::Adopt(SocketHandle socket) {
  if (handle_ != kNoSocket || StartWinsock() != 0) return false;
  SetNonBlocking(Native(socket));
  handle_ = socket;
  peer_ = "the server";
  return true;
}

NetResult NetSocket::Send(const char* data, std::size_t size, Deadline deadline) {
  if (handle_ == kNoSocket) return NetFailure(NetStatus::kClosed, {}, "not connected");
  std::size_t done = 0;
  while (done < size) {
    int n = ::send(Native(handle_), data + done, Chunk(size - done), 0);
    if (n != SOCKET_ERROR) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK)
      return {NetStatus::kFailed, SystemError("sending to " + peer_, error)};
    NetStatus waited = Wait(Readiness::kWritable, deadline);
    if (waited != NetStatus::kOk)
      return NetFailure(waited, "sending to " + peer_, WaitEnd(waited, "timed out"));
  }
  return {};
}

Received NetSocket::Receive(char* buffer, std::size_t size, Deadline deadline) {
  if (handle_ == kNoSocket) return {NetFailure(NetStatus::kClosed, {}, "not connected"), 0};
  for (;;) {
    int n = ::recv(Native(handle_), buffer, Chunk(size), 0);
    if (n > 0) return {{}, static_cast<std::size_t>(n)};
    if (n == 0) return {NetFailure(NetStatus::kClosed, {}, peer_ + " closed the connection"), 0};
    int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      return {{NetStatus::kFailed, SystemError("receiving from " + peer_, error)}, 0};
    }
    NetStatus waited = Wait(Readiness::kReadable, deadline);
    if (waited != NetStatus::kOk) {
      return {NetFailure(waited, "waiting for " + peer_, WaitEnd(waited, "no answer in time")), 0};
    }
  }
}

void NetSocket::Close() {
  if (handle_ == kNoSocket) return;
  ::shutdown(Native(handle_), SD_BOTH);
  ::closesocket(Native(handle_));
  handle_ = kNoSocket;
}

bool NetSocket::LocalAddress(sockaddr_storage& address) const {
  int length = sizeof address;
  return handle_ != kNoSocket &&
         ::getsockname(Native(handle_), reinterpret_cast<sockaddr*>(&address), &length) == 0;
}

}  // namespace fennimar
