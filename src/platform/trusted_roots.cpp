#include "platform/trusted_roots.h"

#include <openssl/ssl.h>

#include <optional>
#include <string>

#include "platform/environment.h"

namespace fennimar {

Result<void> LoadTrustedRoots(SSL_CTX* context) {
  std::optional<std::string> bundle = EnvironmentVariable("SSL_CERT_FILE");
  if (bundle && !bundle->empty()) {
    if (SSL_CTX_load_verify_locations(context, bundle->c_str(), nullptr) == 1) return {};
    return SystemError::WithReason({}, "cannot load the trusted certificates of " + *bundle);
  }
  if (SSL_CTX_set_default_verify_paths(context) == 1) return {};
  return SystemError::WithReason({}, "cannot load the trusted certificates");
}

}  // namespace fennimar
