// File::CreateUnique, the same on every system: names are drawn until
// CreateNew, which never opens an existing entry, makes one.
#include <atomic>
#include <cstdint>
#include <random>

#include "platform/file.h"
#include "platform/path.h"

namespace fennimar {

Result<File::Unique> File::CreateUnique(const std::string& directory, const std::string& prefix) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<std::uint64_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t salt = (static_cast<std::uint64_t>(std::random_device{}()) << 20) ^
                         (counter++ * 0x9E3779B97F4A7C15ull);
    std::string name = directory + kPathSeparator + prefix;
    for (int i = 0; i < 6; ++i, salt /= 62) name += kLetters[salt % 62];
    auto file = CreateNew(name);
    if (file) return Unique{std::move(*file), std::move(name)};
    if (file.error().kind() != ErrorKind::kExists) return file.error();
  }
  return SystemError::OfKind("cannot find a free name for", ErrorKind::kExists);
}

}  // namespace fennimar
