#include "format/part_checksum.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fennimar {
namespace {

// Flipping the top bit maps a signed byte b to the unsigned b + 128, so the
// signed sum of n bytes is the unsigned sum of the flipped bytes minus 128 n.
// PSADBW adds sixteen unsigned bytes into two 64-bit lanes in one step.
std::uint32_t SumSigned(const std::uint8_t* p, std::size_t n) {
  std::uint64_t unsignedSum = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i zero = _mm_setzero_si128();
  __m128i acc0 = zero, acc1 = zero;
  for (; i + 32 <= n; i += 32) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
    acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(_mm_xor_si128(a, flip), zero));
    acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(_mm_xor_si128(b, flip), zero));
  }
  __m128i acc = _mm_add_epi64(acc0, acc1);
  unsignedSum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(acc)) +
                static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
  for (; i < n; ++i) unsignedSum += static_cast<std::uint8_t>(p[i] ^ 0x80u);
  return static_cast<std::uint32_t>(unsignedSum - 128u * static_cast<std::uint64_t>(n));
}

}  // namespace

void PartChecksum::Add(const void* data, std::size_t size) {
  sum_ += SumSigned(static_cast<const std::uint8_t*>(data), size);
}

std::uint16_t ComputePartChecksum(const void* data, std::size_t size) {
  PartChecksum checksum;
  checksum.Add(data, size);
  return checksum.Value();
}

}  // namespace fennimar
