#include "platform/trusted_roots.h"

#include <openssl/ssl.h>

#include <cstdlib>
#include <string>

namespace fennimar {

Result<void> LoadTrustedRoots(SSL_CTX* context) {
  const char* bundle = std::getenv("SSL_CERT_FILE");
  if (bundle != nullptr && *bundle != '\0') {
    if (SSL_CTX_load_verify_locations(context, bundle, nullptr) == 1) return {};
    return SystemError::WithReason(
        {}, std::string("cannot load the trusted certificates of ") + bundle);
  }
  if (SSL_CTX_set_default_verify_paths(context) == 1) return {};
  return SystemError::WithReason({}, "cannot load the trusted certificates");
}

}  // namespace fennimar
