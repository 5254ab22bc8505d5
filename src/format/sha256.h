// Sha256: the SHA-256 digest of a byte stream, fed block by block as the
// data passes, as the part checksum is. The digest comes from OpenSSL's
// libcrypto (its low-level interface, which the static joiners can carry
// without OpenSSL's provider machinery); nothing here is a hash of our own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

inline constexpr std::size_t kSha256Size = 32;
using Sha256Digest = std::array<std::uint8_t, kSha256Size>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(Sha256&&) noexcept;
  Sha256& operator=(Sha256&&) noexcept;
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Adds `size` bytes; may be called once per block.
  void Add(const void* data, std::size_t size);
  // The digest of everything added. The object is then spent: a new stream
  // needs a new object.
  Sha256Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest of one buffer.
Sha256Digest ComputeSha256(const void* data, std::size_t size);

// The 64 lower-case hexadecimal digits of a digest, as sha256sum writes them.
std::string Sha256Hex(const Sha256Digest& digest);
// The digest that 64 hexadecimal digits (either case) give; nothing for any
// other text.
std::optional<Sha256Digest> ParseSha256Hex(std::string_view text);

}  // namespace fennimar
