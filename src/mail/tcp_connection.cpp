#include "mail/tcp_connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file.h"

namespace fennimar {
namespace {

timeval ToTimeval(int ms) {
  timeval tv{};
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  return tv;
}

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

int TcpConnection::OpenStream(int port, const std::string& address) {
  if (socket_ >= 0) return 1;
  port_ = port;
  std::snprintf(addressText_, sizeof addressText_, "%s", address.c_str());
  peer_ = {};
  peer_.sin_family = AF_INET;
  peer_.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, address.c_str(), &peer_.sin_addr) != 1) return 2;
  socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) return 2;
  // The send time-out also bounds connecting.
  timeval send = ToTimeval(timeouts_.sendMs);
  timeval receive = ToTimeval(timeouts_.receiveMs);
  ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &send, sizeof send);
  ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &receive, sizeof receive);
  int result;
  do {
    result = ::connect(socket_, reinterpret_cast<const sockaddr*>(&peer_), sizeof peer_);
  } while (result < 0 && errno == EINTR);
  return result == 0 ? 0 : 3;
}

int TcpConnection::AdoptSocket(int socket) {
  if (socket_ >= 0) return 1;
  socket_ = socket;
  return 0;
}

void TcpConnection::Close() {
  if (socket_ < 0) return;
  ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
  socket_ = -1;
}

std::int64_t TcpConnection::SendBytes(const char* data, std::int64_t length) {
  if (socket_ < 0) return -1;
  if (length <= 0) length = static_cast<std::int64_t>(std::strlen(data));
  std::int64_t done = 0;
  while (done < length) {
    // MSG_NOSIGNAL: a peer that has gone away is a failed send, not a signal.
    ssize_t n = ::send(socket_, data + done, static_cast<std::size_t>(length - done), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += n;
  }
  return done;
}

std::int64_t TcpConnection::SendText(std::string_view text) {
  if (text.empty()) return 0;
  return SendBytes(text.data(), static_cast<std::int64_t>(text.size()));
}

int TcpConnection::SendFile(const std::string& path, std::int64_t& sent, bool dotStuff) {
  sent = 0;
  auto file = File::OpenRead(path);
  if (!file) return 1;
  std::array<char, kSendFileBlockSize> block{};
  std::array<char, 2 * kSendFileBlockSize> stuffed{};
  bool lineStart = true;
  for (;;) {
    std::int64_t n = file->Read(block.data(), block.size());
    if (n < 0) return 2;
    if (n == 0) return 0;
    const char* data = block.data();
    std::int64_t length = n;
    if (dotStuff) {
      std::size_t used = 0;
      for (std::int64_t i = 0; i < n; ++i) {
        char c = block[static_cast<std::size_t>(i)];
        if (c == '.' && lineStart) stuffed[used++] = '.';
        stuffed[used++] = c;
        lineStart = c == '\r' || c == '\n';
      }
      data = stuffed.data();
      length = static_cast<std::int64_t>(used);
    }
    if (SendBytes(data, length) != length) return 2;
    sent += n;
    if (OnProgress(sent) == 0) return 0;
    if (n < static_cast<std::int64_t>(block.size())) return 0;
  }
}

int TcpConnection::OnProgress(std::int64_t) { return 1; }

bool TcpConnection::WaitReadable(int timeoutMs) {
  if (socket_ < 0) return true;
  pollfd p{socket_, POLLIN, 0};
  int result;
  do {
    result = ::poll(&p, 1, timeoutMs);
  } while (result < 0 && errno == EINTR);
  return result <= 0;
}

int TcpConnection::ReadLine(char* buffer, int size, int timeoutMs) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  if (socket_ < 0) return 0;
  int stored = 0;
  while (stored < size - 1) {
    if (timeoutMs > 0 && WaitReadable(timeoutMs)) break;
    int room = size - 1 - stored;
    ssize_t peeked;
    do {
      peeked = ::recv(socket_, buffer + stored, static_cast<std::size_t>(room), MSG_PEEK);
    } while (peeked < 0 && errno == EINTR);
    if (peeked <= 0) break;
    // Consume only up to the line's end, leaving the next line in the socket.
    int take = static_cast<int>(peeked);
    // A CR that ended the bytes consumed before pairs with an LF first here.
    if (stored > 0 && buffer[stored - 1] == '\r' && buffer[stored] == '\n') take = 1;
    for (int i = 0; take == peeked && i + 1 < peeked; ++i) {
      if (buffer[stored + i] == '\r' && buffer[stored + i + 1] == '\n') {
        take = i + 2;
        break;
      }
    }
    ssize_t consumed;
    do {
      consumed = ::recv(socket_, buffer + stored, static_cast<std::size_t>(take), 0);
    } while (consumed < 0 && errno == EINTR);
    if (consumed <= 0) break;
    stored += static_cast<int>(consumed);
    buffer[stored] = '\0';
    if (stored >= 2 && buffer[stored - 2] == '\r' && buffer[stored - 1] == '\n') break;
  }
  buffer[stored] = '\0';
  return stored;
}

bool TcpConnection::IsConnected() {
  if (socket_ < 0) return false;
  char byte;
  ssize_t n = ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return !(n < 0 && errno == ENOTCONN);
}

bool TcpConnection::HasPendingInput() {
  if (socket_ < 0) return false;
  int waiting = 0;
  return ::ioctl(socket_, FIONREAD, &waiting) == 0 && waiting > 0;
}

int TcpConnection::SendBufferSize() {
  if (socket_ < 0) return -1;
  int size = 0;
  socklen_t length = sizeof size;
  if (::getsockopt(socket_, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0) return -1;
  return size;
}

int TcpConnection::ResolveHost(const std::string& name, char* buffer, int size) {
  std::string host = name;
  std::size_t at = name.find_last_of('@');
  if (at != std::string::npos && at > 0) host = name.substr(at + 1);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
    return 2;
  }
  char text[INET_ADDRSTRLEN] = {};
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const char* converted = ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
  ::freeaddrinfo(found);
  if (!converted) return 2;
  if (static_cast<int>(std::strlen(text)) + 1 > size) return 1;
  std::memcpy(buffer, text, std::strlen(text) + 1);
  return 0;
}

bool TcpConnection::IsDottedAddress(const std::string& text) {
  in_addr address{};
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

int TcpConnection::GetToken(const char* text, const char* delimiters, int index, char* buffer,
                            int size) {
  if (size > 0) buffer[0] = '\0';
  if (delimiters == nullptr || *delimiters == '\0' || index < 0) return 1;
  std::string_view rest(text);
  std::string_view delimiterSet(delimiters);
  for (int i = 0;; ++i) {
    std::size_t begin = rest.find_first_not_of(delimiterSet);
    if (begin == std::string_view::npos) return 1;
    rest.remove_prefix(begin);
    std::size_t end = std::min(rest.find_first_of(delimiterSet), rest.size());
    if (i == index) {
      if (static_cast<int>(end) >= size) return 1;
      std::memcpy(buffer, rest.data(), end);
      buffer[end] = '\0';
      return 0;
    }
    rest.remove_prefix(end);
  }
}

void TcpConnection::StripLineEnd(std::string& text) {
  auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
  if (text.size() >= 2 && isEnd(text[text.size() - 2])) {
    text.resize(text.size() - 2);
  } else if (!text.empty() && isEnd(text.back())) {
    text.pop_back();
  }
}

}  // namespace fennimar
