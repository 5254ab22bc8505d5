#include "platform/net_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace fennimar {
namespace {

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

// OpenSSL writes to the socket with write(2): a peer that has gone away
// would raise SIGPIPE and end the program instead of failing the send.
void IgnoreBrokenPipes() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// The deepest reason OpenSSL has queued, or `fallback`.
std::string TlsLibraryReason(const char* fallback, TlsStart start = TlsStart::kFirstByte) {
  unsigned long code = 0;
  unsigned long last;
  while ((last = ERR_get_error()) != 0) code = last;
  if (code == 0) return fallback;
  // What plain text ("220 ...") looks like to a TLS client: at the first
  // byte a port for plain text; after STARTTLS a server that agreed and
  // then did not start TLS, which no other choice mends.
  if (ERR_GET_LIB(code) == ERR_LIB_SSL && ERR_GET_REASON(code) == SSL_R_WRONG_VERSION_NUMBER) {
    return start == TlsStart::kFirstByte
               ? "the server does not speak TLS from the first byte (for this port choose "
                 "STARTTLS or no security)"
               : "the server did not start TLS after STARTTLS (it went on in plain text)";
  }
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

// How a wait that did not end in readiness is told: a Stop, or `late`.
const char* WaitEnd(NetStatus waited, const char* late) {
  return waited == NetStatus::kStopped ? "stopped" : late;
}

bool IsAddress(const std::string& host) {
  in6_addr any{};
  return ::inet_pton(AF_INET, host.c_str(), &any) == 1 ||
         ::inet_pton(AF_INET6, host.c_str(), &any) == 1;
}

// One name lookup on a thread of its own: the name service may take long
// (a resolver that does not answer), and getaddrinfo cannot be interrupted.
// The caller waits for it in slices like for the network; a lookup it gives
// up runs to its end alone and frees what it found.
class NameLookup {
 public:
  static std::shared_ptr<NameLookup> Start(const std::string& host, const std::string& service) {
    auto lookup = std::make_shared<NameLookup>();
    auto run = [lookup, host, service] { lookup->Run(host, service); };
    if (IsAddress(host)) {
      run();  // an address is only converted: nothing to wait for
      return lookup;
    }
    try {
      std::thread(run).detach();
    } catch (const std::system_error&) {
      run();  // no thread to be had: the lookup is waited for here
    }
    return lookup;
  }
  ~NameLookup() {
    if (found_ != nullptr) ::freeaddrinfo(found_);
  }
  // True when the lookup has ended within `ms` milliseconds.
  bool WaitFor(int ms) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
  }
  // After WaitFor said true: getaddrinfo's result and its addresses.
  int result() const { return result_; }
  const addrinfo* found() const { return found_; }

 private:
  void Run(const std::string& host, const std::string& service) {
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

  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  int result_ = EAI_FAIL;
  addrinfo* found_ = nullptr;
};

NetResult NetFailure(NetStatus status, std::string step, std::string reason) {
  return {status, SystemError::WithReason(std::move(step), std::move(reason))};
}

// Waits for the name lookup, asking keepWaiting whether to go on.
NetResult AwaitLookup(NameLookup& lookup, const std::string& host, Deadline deadline,
                      const KeepWaiting& keepWaiting) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (lookup.WaitFor(static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs)))) break;
    if (left <= 0) return NetFailure(NetStatus::kTimedOut, "looking up " + host, "timed out");
    if (keepWaiting && !keepWaiting()) {
      return NetFailure(NetStatus::kStopped, "looking up " + host, "stopped");
    }
  }
  if (lookup.result() != 0) {
    return NetFailure(NetStatus::kNoName, "cannot resolve " + host,
                      ::gai_strerror(lookup.result()));
  }
  return {};
}

}  // namespace

struct NetStream::Tls {
  std::unique_ptr<SSL_CTX, SslCtxFree> context;
  std::unique_ptr<SSL, SslFree> ssl;
};

Deadline DeadlineIn(int ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

NetStream::NetStream(KeepWaiting keepWaiting) : keepWaiting_(std::move(keepWaiting)) {}

NetStream::~NetStream() { Close(); }

std::string NetResult::Text() const {
  if (ok()) return {};
  return error_->step().empty() ? error_->Reason() : error_->Text();
}

NetStatus NetStream::Wait(short events, Deadline deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return NetStatus::kTimedOut;
    pollfd p{socket_, events, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kWaitSliceMs)));
    if (ready > 0) return NetStatus::kOk;
    if (ready < 0 && errno != EINTR) return NetStatus::kFailed;
    if (keepWaiting_ && !keepWaiting_()) return NetStatus::kStopped;
  }
}

// Connects the socket to one address within the deadline.
NetResult NetStream::ConnectTo(const addrinfo& address, const std::string& where,
                               Deadline deadline) {
  socket_ = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     address.ai_protocol);
  if (socket_ < 0) return {NetStatus::kRefused, SystemError::Last(where)};
  NetStatus status = NetStatus::kRefused;
  int error = 0;
  if (::connect(socket_, address.ai_addr, address.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      status = Wait(POLLOUT, deadline);
      socklen_t length = sizeof error;
      if (status == NetStatus::kOk) ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
    }
  }
  if (error == 0) {
    // Messages go out through our own large buffer; Nagle's algorithm would
    // only hold back the last short piece until the peer's delayed
    // acknowledgement.
    int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return {};
  }
  Close();
  if (status == NetStatus::kStopped) return NetFailure(status, where, "stopped");
  if (status == NetStatus::kTimedOut) return NetFailure(status, where, "timed out");
  return {NetStatus::kRefused, SystemError(where, error)};
}

NetResult NetStream::Connect(const std::string& host, int port, Deadline deadline) {
  Close();
  peer_ = host + " port " + std::to_string(port);
  if (port < 1 || port > 65535) {
    return NetFailure(NetStatus::kNoName, {}, "no port " + std::to_string(port));
  }
  std::string service = std::to_string(port);
  if (host.empty()) return NetFailure(NetStatus::kNoName, {}, "no server name");
  auto lookup = NameLookup::Start(host, service);
  if (auto looked = AwaitLookup(*lookup, host, deadline, keepWaiting_); !looked.ok()) {
    return looked;
  }
  const addrinfo* found = lookup->found();
  int untried = 0;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) ++untried;
  // The failure of the last address tried tells why none connected.
  NetResult last(NetStatus::kRefused, SystemError::WithReason({}, {}));
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next, --untried) {
    char numeric[INET6_ADDRSTRLEN] = "?";
    ::getnameinfo(a->ai_addr, a->ai_addrlen, numeric, sizeof numeric, nullptr, 0, NI_NUMERICHOST);
    std::string where = std::string("connect to ") + numeric + " port " + service;
    // Each address gets its share of the time left, so that one whose
    // packets are lost on the way leaves time to try the others.
    auto now = std::chrono::steady_clock::now();
    last = ConnectTo(*a, where, deadline > now ? now + (deadline - now) / untried : deadline);
    if (last.ok() || last.status() == NetStatus::kStopped) return last;
  }
  return last;
}

bool NetStream::Adopt(int socket) {
  if (socket_ >= 0) return false;
  socket_ = socket;
  ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
  peer_ = "the server";
  return true;
}

NetResult NetStream::StartTls(const std::string& host, Deadline deadline, TlsStart start) {
  if (socket_ < 0) return NetFailure(NetStatus::kClosed, {}, "not connected");
  IgnoreBrokenPipes();
  auto tls = std::make_unique<Tls>();
  tls->context.reset(SSL_CTX_new(TLS_client_method()));
  if (!tls->context)
    return NetFailure(NetStatus::kTlsFailed, {}, TlsLibraryReason("no TLS context"));
  SSL_CTX* context = tls->context.get();
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  const char* bundle = std::getenv("SSL_CERT_FILE");
  bool loaded = bundle != nullptr && *bundle != '\0'
                    ? SSL_CTX_load_verify_locations(context, bundle, nullptr) == 1
                    : SSL_CTX_set_default_verify_paths(context) == 1;
  if (!loaded) {
    return NetFailure(NetStatus::kTlsFailed, {},
                      std::string("cannot load the trusted certificates") +
                          (bundle ? std::string(" of ") + bundle : ""));
  }
  tls->ssl.reset(SSL_new(context));
  SSL* ssl = tls->ssl.get();
  if (!ssl || SSL_set_fd(ssl, socket_) != 1) {
    return NetFailure(NetStatus::kTlsFailed, {}, TlsLibraryReason("no TLS session"));
  }
  SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  if (IsAddress(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
  }
  ERR_clear_error();
  for (;;) {
    int result = SSL_connect(ssl);
    if (result == 1) break;
    int error = SSL_get_error(ssl, result);
    NetStatus waited = NetStatus::kFailed;
    if (error == SSL_ERROR_WANT_READ) waited = Wait(POLLIN, deadline);
    if (error == SSL_ERROR_WANT_WRITE) waited = Wait(POLLOUT, deadline);
    if (waited == NetStatus::kOk) continue;
    std::string step = "TLS with " + peer_;
    long verified = SSL_get_verify_result(ssl);
    if (waited == NetStatus::kTimedOut || waited == NetStatus::kStopped) {
      return NetFailure(waited, step, WaitEnd(waited, "timed out"));
    }
    if (verified != X509_V_OK) {
      return NetFailure(NetStatus::kTlsFailed, "the certificate of " + host + " was refused",
                        X509_verify_cert_error_string(verified));
    }
    return NetFailure(NetStatus::kTlsFailed, step, TlsLibraryReason("handshake failed", start));
  }
  tls_ = std::move(tls);
  return {};
}

NetResult NetStream::Send(const char* data, std::size_t size, Deadline deadline) {
  if (socket_ < 0) return NetFailure(NetStatus::kClosed, {}, "not connected");
  std::size_t done = 0;
  while (done < size) {
    NetStatus waited = NetStatus::kOk;
    if (tls_) {
      std::size_t written = 0;
      int result = SSL_write_ex(tls_->ssl.get(), data + done, size - done, &written);
      if (result == 1) {
        done += written;
        continue;
      }
      int error = SSL_get_error(tls_->ssl.get(), result);
      if (error == SSL_ERROR_WANT_READ) {
        waited = Wait(POLLIN, deadline);
      } else if (error == SSL_ERROR_WANT_WRITE) {
        waited = Wait(POLLOUT, deadline);
      } else {
        return NetFailure(NetStatus::kFailed, "sending to " + peer_,
                          TlsLibraryReason("the connection broke"));
      }
    } else {
      ssize_t n = ::send(socket_, data + done, size - done, MSG_NOSIGNAL);
      if (n >= 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        return {NetStatus::kFailed, SystemError::Last("sending to " + peer_)};
      }
      waited = Wait(POLLOUT, deadline);
    }
    if (waited != NetStatus::kOk)
      return NetFailure(waited, "sending to " + peer_, WaitEnd(waited, "timed out"));
  }
  return {};
}

Received NetStream::Receive(char* buffer, std::size_t size, Deadline deadline) {
  if (socket_ < 0) return {NetFailure(NetStatus::kClosed, {}, "not connected"), 0};
  for (;;) {
    NetStatus waited;
    if (tls_) {
      std::size_t read = 0;
      int result = SSL_read_ex(tls_->ssl.get(), buffer, size, &read);
      if (result == 1) return {{}, read};
      int error = SSL_get_error(tls_->ssl.get(), result);
      if (error == SSL_ERROR_WANT_READ) {
        waited = Wait(POLLIN, deadline);
      } else if (error == SSL_ERROR_WANT_WRITE) {
        waited = Wait(POLLOUT, deadline);
      } else if (error == SSL_ERROR_ZERO_RETURN) {
        return {NetFailure(NetStatus::kClosed, {}, peer_ + " closed the connection"), 0};
      } else {
        return {NetFailure(NetStatus::kFailed, "receiving from " + peer_,
                           TlsLibraryReason("the connection broke")),
                0};
      }
    } else {
      ssize_t n = ::recv(socket_, buffer, size, 0);
      if (n > 0) return {{}, static_cast<std::size_t>(n)};
      if (n == 0) return {NetFailure(NetStatus::kClosed, {}, peer_ + " closed the connection"), 0};
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        return {{NetStatus::kFailed, SystemError::Last("receiving from " + peer_)}, 0};
      }
      waited = Wait(POLLIN, deadline);
    }
    if (waited != NetStatus::kOk) {
      return {NetFailure(waited, "waiting for " + peer_, WaitEnd(waited, "no answer in time")), 0};
    }
  }
}

void NetStream::Close() {
  if (tls_) {
    SSL_shutdown(tls_->ssl.get());  // one close_notify, not waiting for the peer's
    tls_.reset();
  }
  if (socket_ < 0) return;
  ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
  socket_ = -1;
}

std::string NetStream::LocalAddressLiteral() const {
  if (socket_ < 0) return {};
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
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
