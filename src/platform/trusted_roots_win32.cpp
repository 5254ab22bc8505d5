// The trusted certificates on Windows: OpenSSL does not read the system's
// store by itself, so the certificates of the "ROOT" store are handed to it
// one by one. SSL_CERT_FILE is read as UTF-16 (environment.h) and its file
// opened by its wide name, so that a path in any script works.
// The order matters: windows.h first, which the others need; OpenSSL last,
// as it takes back the names wincrypt.h gives its own types (X509_NAME).
// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
// clang-format on

#include <cstdio>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/trusted_roots.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// The file's bytes; nothing when it cannot be read.
std::string ReadWhole(const std::wstring& path) {
  std::string bytes;
  std::FILE* file = ::_wfopen(path.c_str(), L"rb");
  if (file == nullptr) return bytes;
  char block[16384];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, n);
  std::fclose(file);
  return bytes;
}

// Adds each certificate of a PEM text to `store`; how many were added.
int AddPemCertificates(X509_STORE* store, const std::string& pem) {
  BIO* in = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  if (in == nullptr) return 0;
  int added = 0;
  while (X509* certificate = PEM_read_bio_X509(in, nullptr, nullptr, nullptr)) {
    added += X509_STORE_add_cert(store, certificate);
    X509_free(certificate);
  }
  BIO_free(in);
  return added;
}

// Adds the certificates of the system's "ROOT" store; false when the store
// cannot be opened.
bool AddSystemRoots(X509_STORE* store) {
  HCERTSTORE system = ::CertOpenSystemStoreW(0, L"ROOT");
  if (system == nullptr) return false;
  const CERT_CONTEXT* entry = nullptr;
  while ((entry = ::CertEnumCertificatesInStore(system, entry)) != nullptr) {
    const unsigned char* bytes = entry->pbCertEncoded;
    X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(entry->cbCertEncoded));
    if (certificate == nullptr) continue;  // one OpenSSL cannot read trusts nothing
    X509_STORE_add_cert(store, certificate);
    X509_free(certificate);
  }
  ::CertCloseStore(system, 0);
  return true;
}

}  // namespace

Result<void> LoadTrustedRoots(SSL_CTX* context) {
  X509_STORE* store = SSL_CTX_get_cert_store(context);
  std::optional<std::string> bundle = EnvironmentVariable("SSL_CERT_FILE");
  if (bundle && !bundle->empty()) {
    if (AddPemCertificates(store, ReadWhole(WidePath(*bundle))) > 0) return {};
    return SystemError::WithReason({}, "cannot load the trusted certificates of " + *bundle);
  }
  if (AddSystemRoots(store)) return {};
  return SystemError::WithReason({}, "cannot load the trusted certificates");
}

}  // namespace fennimar
