// PartChecksum: the 16-bit checksum of a part's data bytes. Each byte counts
// as a signed 8-bit value (0x80..0xFF are -128..-1); the bytes are added into
// a signed 32-bit accumulator from 0 and the low 16 bits are stored. Only the
// data is covered, never the header. "abc" gives 0x0126, {0x01, 0xFF} 0x0000,
// {0x80} 0xFF80.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fennimar {

class PartChecksum {
 public:
  // Adds `size` bytes; may be called once per block as the data streams by.
  void Add(const void* data, std::size_t size);
  // The low 16 bits of the sum so far.
  std::uint16_t Value() const { return static_cast<std::uint16_t>(sum_); }

 private:
  // Only the low 16 bits matter, and they are the same in any wider
  // two's-complement accumulator, so an unsigned one never overflows.
  std::uint32_t sum_ = 0;
};

// The checksum of one buffer.
std::uint16_t ComputePartChecksum(const void* data, std::size_t size);

}  // namespace fennimar
