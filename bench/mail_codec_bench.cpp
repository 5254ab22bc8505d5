// In-memory throughput of the base64 line encoder and of the two decoders.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "mail/mime/content_decoders.h"
#include "mail/mime/content_encoders.h"

namespace {

std::vector<std::uint8_t> Data(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  std::mt19937 random(1);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  return data;
}

void BM_Base64EncodeLines(benchmark::State& state) {
  auto data = Data(static_cast<std::size_t>(state.range(0)));
  std::vector<char> out(fennimar::Base64EncodedSize(data.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(fennimar::Base64EncodeLines(data.data(), data.size(), out.data()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Base64EncodeLines)->Arg(116736)->Arg(16 << 20);

void BM_Base64Decode(benchmark::State& state) {
  auto data = Data(static_cast<std::size_t>(state.range(0)));
  std::vector<char> text(fennimar::Base64EncodedSize(data.size()));
  text.resize(fennimar::Base64EncodeLines(data.data(), data.size(), text.data()));
  std::vector<std::uint8_t> out(fennimar::Base64Decoder::MaxOutput(text.size()));
  for (auto _ : state) {
    fennimar::Base64Decoder decoder;
    benchmark::DoNotOptimize(decoder.Decode(text.data(), text.size(), out.data()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Base64Decode)->Arg(16 << 20);

void BM_QuotedPrintableDecode(benchmark::State& state) {
  std::string text;
  for (int i = 0; text.size() < (16u << 20); ++i) text += "Some text =E9=3D and more=\r\n";
  std::vector<std::uint8_t> out(fennimar::QuotedPrintableDecoder::MaxOutput(text.size()));
  for (auto _ : state) {
    fennimar::QuotedPrintableDecoder decoder;
    benchmark::DoNotOptimize(decoder.Decode(text.data(), text.size(), out.data()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_QuotedPrintableDecode);

}  // namespace

BENCHMARK_MAIN();
