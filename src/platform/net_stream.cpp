#include "platform/net_stream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "platform/trusted_roots.h"

namespace fennimar {
namespace {

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};

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

}  // namespace

struct NetStream::Tls {
  std::unique_ptr<SSL_CTX, SslCtxFree> context;
  std::unique_ptr<SSL, SslFree> ssl;
};

NetStream::NetStream(KeepWaiting keepWaiting) : socket_(std::move(keepWaiting)) {}

NetStream::~NetStream() { Close(); }

NetStatus NetStream::AwaitTls(int result, Deadline deadline) {
  switch (SSL_get_error(tls_->ssl.get(), result)) {
    case SSL_ERROR_WANT_READ:
      return socket_.Wait(Readiness::kReadable, deadline);
    case SSL_ERROR_WANT_WRITE:
      return socket_.Wait(Readiness::kWritable, deadline);
    case SSL_ERROR_ZERO_RETURN:
      return NetStatus::kClosed;
    default:
      return NetStatus::kFailed;
  }
}

NetResult NetStream::StartTls(const std::string& host, Deadline deadline, TlsStart start) {
  if (!socket_.IsOpen()) return NetFailure(NetStatus::kClosed, {}, "not connected");
  auto tls = std::make_unique<Tls>();
  tls->context.reset(SSL_CTX_new(TLS_client_method()));
  if (!tls->context)
    return NetFailure(NetStatus::kTlsFailed, {}, TlsLibraryReason("no TLS context"));
  SSL_CTX* context = tls->context.get();
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  if (auto loaded = LoadTrustedRoots(context); !loaded.ok()) {
    return {NetStatus::kTlsFailed, loaded.error()};
  }
  tls->ssl.reset(SSL_new(context));
  SSL* ssl = tls->ssl.get();
  // OpenSSL keeps a socket in an int on every system; a Windows SOCKET
  // fits, as the system's handles stay below 2^31.
  if (!ssl || SSL_set_fd(ssl, static_cast<int>(socket_.handle())) != 1) {
    return NetFailure(NetStatus::kTlsFailed, {}, TlsLibraryReason("no TLS session"));
  }
  SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  if (IsNumericAddress(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
  }
  ERR_clear_error();
  tls_ = std::move(tls);
  for (;;) {
    int result = SSL_connect(ssl);
    if (result == 1) return {};
    NetStatus waited = AwaitTls(result, deadline);
    if (waited == NetStatus::kOk) continue;
    std::string step = "TLS with " + socket_.peer();
    long verified = SSL_get_verify_result(ssl);
    NetResult failed =
        waited == NetStatus::kTimedOut || waited == NetStatus::kStopped
            ? NetFailure(waited, step, WaitEnd(waited, "timed out"))
        : verified != X509_V_OK
            ? NetFailure(NetStatus::kTlsFailed, "the certificate of " + host + " was refused",
                         X509_verify_cert_error_string(verified))
            : NetFailure(NetStatus::kTlsFailed, step, TlsLibraryReason("handshake failed", start));
    tls_.reset();  // no close_notify on a session that never began
    return failed;
  }
}

NetResult NetStream::Send(const char* data, std::size_t size, Deadline deadline) {
  if (!tls_) return socket_.Send(data, size, deadline);
  std::size_t done = 0;
  while (done < size) {
    std::size_t written = 0;
    int result = SSL_write_ex(tls_->ssl.get(), data + done, size - done, &written);
    if (result == 1) {
      done += written;
      continue;
    }
    NetStatus waited = AwaitTls(result, deadline);
    if (waited == NetStatus::kOk) continue;
    if (waited == NetStatus::kTimedOut || waited == NetStatus::kStopped) {
      return NetFailure(waited, "sending to " + socket_.peer(), WaitEnd(waited, "timed out"));
    }
    return NetFailure(NetStatus::kFailed, "sending to " + socket_.peer(),
                      TlsLibraryReason("the connection broke"));
  }
  return {};
}

Received NetStream::Receive(char* buffer, std::size_t size, Deadline deadline) {
  if (!tls_) return socket_.Receive(buffer, size, deadline);
  for (;;) {
    std::size_t read = 0;
    int result = SSL_read_ex(tls_->ssl.get(), buffer, size, &read);
    if (result == 1) return {{}, read};
    NetStatus waited = AwaitTls(result, deadline);
    if (waited == NetStatus::kOk) continue;
    const std::string& peer = socket_.peer();
    if (waited == NetStatus::kClosed) {
      return {NetFailure(NetStatus::kClosed, {}, peer + " closed the connection"), 0};
    }
    if (waited == NetStatus::kTimedOut || waited == NetStatus::kStopped) {
      return {NetFailure(waited, "waiting for " + peer, WaitEnd(waited, "no answer in time")), 0};
    }
    return {NetFailure(NetStatus::kFailed, "receiving from " + peer,
                       TlsLibraryReason("the connection broke")),
            0};
  }
}

void NetStream::Close() {
  if (tls_) {
    SSL_shutdown(tls_->ssl.get());  // one close_notify, not waiting for the peer's
    tls_.reset();
  }
  socket_.Close();
}

}  // namespace fennimar
