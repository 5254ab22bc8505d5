// NameLookup: one name lookup (getaddrinfo) on a thread of its own. The name
// service may take long (a resolver that does not answer), and getaddrinfo
// cannot be interrupted: the caller waits for it in slices like for the
// network, and a lookup it gives up runs to its end alone and frees what it
// found. The same on every system; only the words for a failure differ
// (LookupFailure, in each system's net_socket).
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "platform/net_socket.h"

namespace fennimar {

class NameLookup {
 public:
  // Starts looking up `host` for the port `service` (digits). An address is
  // only converted, at once.
  static std::shared_ptr<NameLookup> Start(const std::string& host, const std::string& service);
  ~NameLookup();
  // True when the lookup has ended within `ms` milliseconds.
  bool WaitFor(int ms);
  // After WaitFor said true: getaddrinfo's result and its addresses.
  int result() const { return result_; }
  const addrinfo* found() const { return found_; }

 private:
  void Run(const std::string& host, const std::string& service);

  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  int result_ = EAI_FAIL;
  addrinfo* found_ = nullptr;
};

// Waits for `lookup` until `deadline`, asking keepWaiting between slices:
// kOk, kTimedOut, kStopped, or kNoName with the name service's reason.
NetResult AwaitLookup(NameLookup& lookup, const std::string& host, Deadline deadline,
                      const KeepWaiting& keepWaiting);

// The failure of getaddrinfo's `result` at `step`, in the system's words.
SystemError LookupFailure(std::string step, int result);

}  // namespace fennimar
