// Throughput of PartChecksum over a block that stays in cache and over a
// buffer far larger than the caches.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "format/part_checksum.h"

namespace {

std::vector<std::uint8_t> Data(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  std::mt19937 random(1);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  return data;
}

void BM_PartChecksum(benchmark::State& state) {
  auto data = Data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(fennimar::ComputePartChecksum(data.data(), data.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PartChecksum)->Arg(32000)->Arg(64 << 20);

// The byte-by-byte sum as described, for comparison.
void BM_ScalarReference(benchmark::State& state) {
  auto data = Data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::int32_t sum = 0;
    for (auto b : data) {
      sum += static_cast<std::int8_t>(b);
      benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ScalarReference)->Arg(32000);

}  // namespace

BENCHMARK_MAIN();
