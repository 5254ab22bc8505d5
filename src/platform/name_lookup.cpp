#include "platform/name_lookup.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace fennimar {

std::shared_ptr<NameLookup> NameLookup::Start(const std::string& host, const std::string& service) {
  auto lookup = std::make_shared<NameLookup>();
  auto run = [lookup, host, service] { lookup->Run(host, service); };
  if (IsNumericAddress(host)) {
    run();  // nothing to wait for
    return lookup;
  }
  try {
    std::thread(run).detach();
  } catch (const std::system_error&) {
    run();  // no thread to be had: the lookup is waited for here
  }
  return lookup;
}

NameLookup::~NameLookup() {
  if (found_ != nullptr) ::freeaddrinfo(found_);
}

bool NameLookup::WaitFor(int ms) {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
}

void NameLookup::Run(const std::string& host, const std::string& service) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  int result = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  std::lock_guard lock(mutex_);
  result_ = result;
  found_ = found;
  done_ = true;
  finished_.notify_all();
}

NetResult AwaitLookup(NameLookup& lookup, const std::string& host, Deadline deadline,
                      const KeepWaiting& keepWaiting) {
  for (;;) {
    auto left = MillisecondsLeft(deadline);
    if (lookup.WaitFor(static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs)))) break;
    if (left <= 0) return NetFailure(NetStatus::kTimedOut, "looking up " + host, "timed out");
    if (keepWaiting && !keepWaiting()) {
      return NetFailure(NetStatus::kStopped, "looking up " + host, "stopped");
    }
  }
  if (lookup.result() != 0) {
    return {NetStatus::kNoName, LookupFailure("cannot resolve " + host, lookup.result())};
  }
  return {};
}

}  // namespace fennimar
