// What NetSocket does the same on every system. Connect: the name looked up
// on a thread of its own (name_lookup.h), then its addresses tried in turn;
// only the connect to one address is each system's own (ConnectTo). And the
// local address as an SMTP address literal.
#ifndef _WIN32
#include <arpa/inet.h>  // inet_ntop; Windows has it from name_lookup.h
#endif

#include <utility>

#include "platform/name_lookup.h"
#include "platform/net_socket.h"

namespace fennimar {

NetSocket::NetSocket(KeepWaiting keepWaiting) : keepWaiting_(std::move(keepWaiting)) {}

NetSocket::~NetSocket() { Close(); }

NetResult NetSocket::Connect(const std::string& host, int port, Deadline deadline) {
  Close();
  peer_ = host + " port " + std::to_string(port);
  if (port < 1 || port > 65535) {
    return NetFailure(NetStatus::kNoName, {}, "no port " + std::to_string(port));
  }
  std::string service = std::to_string(port);
  if (host.empty()) return NetFailure(NetStatus::kNoName, {}, "no server name");
  if (auto prepared = PrepareSockets(); !prepared.ok()) return prepared;
  auto lookup = NameLookup::Start(host, service);
  if (auto looked = AwaitLookup(*lookup, host, deadline, keepWaiting_); !looked.ok()) {
    return looked;
  }
  int untried = 0;
  for (const addrinfo* a = lookup->found(); a != nullptr; a = a->ai_next) ++untried;
  // The failure of the last address tried tells why none connected.
  NetResult last(NetStatus::kRefused, SystemError::WithReason({}, {}));
  for (const addrinfo* a = lookup->found(); a != nullptr; a = a->ai_next, --untried) {
    char numeric[INET6_ADDRSTRLEN] = "?";
    ::getnameinfo(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), numeric, sizeof numeric,
                  nullptr, 0, NI_NUMERICHOST);
    std::string where = std::string("connect to ") + numeric + " port " + service;
    // Each address gets its share of the time left, so that one whose
    // packets are lost on the way leaves time to try the others.
    auto now = std::chrono::steady_clock::now();
    last = ConnectTo(*a, where, deadline > now ? now + (deadline - now) / untried : deadline);
    if (last.ok() || last.status() == NetStatus::kStopped) return last;
  }
  return last;
}

std::string NetSocket::LocalAddressLiteral() const {
  sockaddr_storage local{};
  if (!LocalAddress(local)) return {};
  char numeric[INET6_ADDRSTRLEN] = {};
  if (local.ss_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&local)->sin_addr, numeric,
                sizeof numeric);
    return std::string("[") + numeric + "]";
  }
  if (local.ss_family == AF_INET6) {
    ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&local)->sin6_addr, numeric,
                sizeof numeric);
    return std::string("[IPv6:") + numeric + "]";
  }
  return {};
}

}  // namespace fennimar
