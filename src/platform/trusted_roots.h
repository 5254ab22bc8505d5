// The certificates a TLS client trusts: the system's own store, or only
// the PEM file named by the SSL_CERT_FILE environment variable when that is
// set (so that a test can trust its own CA without touching the machine's).
// One implementation per system behind this header.
#pragma once

#include "platform/system_error.h"

struct ssl_ctx_st;  // OpenSSL's SSL_CTX

namespace fennimar {

// Loads the trusted certificates into `context`'s certificate store. Fails
// with the reason when none can be loaded; the context then trusts nothing
// it did not trust before.
Result<void> LoadTrustedRoots(ssl_ctx_st* context);

}  // namespace fennimar
