#include "format/sha256.h"

// The low-level interface is marked deprecated in OpenSSL 3 in favour of
// EVP, whose provider machinery would pull most of libcrypto (and on Windows
// more DLLs) into the static joiners; SHA-256 itself is the same code.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

namespace fennimar {

struct Sha256::State {
  SHA256_CTX context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) { SHA256_Init(&state_->context); }
Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::Add(const void* data, std::size_t size) {
  if (size != 0) SHA256_Update(&state_->context, data, size);
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  SHA256_Final(digest.data(), &state_->context);
  return digest;
}

Sha256Digest ComputeSha256(const void* data, std::size_t size) {
  Sha256 sha;
  sha.Add(data, size);
  return sha.Finish();
}

std::string Sha256Hex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * digest.size());
  for (std::uint8_t byte : digest) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<Sha256Digest> ParseSha256Hex(std::string_view text) {
  if (text.size() != 2 * kSha256Size) return std::nullopt;
  Sha256Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    int high = HexValue(text[2 * i]);
    int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return digest;
}

}  // namespace fennimar
