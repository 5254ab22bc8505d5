// Fuzzes the base64 and quoted-printable decoders with arbitrary bodies fed
// in two pieces, into buffers of exactly the promised size, and checks that
// encoding the decoded bytes and decoding again gives them back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mail/mime/content_decoders.h"
#include "mail/mime/content_encoders.h"

namespace {

template <typename Decoder>
std::vector<std::uint8_t> Decode(const char* text, std::size_t size, std::size_t split) {
  Decoder decoder;
  std::vector<std::uint8_t> out;
  for (auto [at, n] : {std::pair{std::size_t{0}, split}, std::pair{split, size - split}}) {
    std::vector<std::uint8_t> buffer(Decoder::MaxOutput(n));
    std::size_t produced = decoder.Decode(text + at, n, buffer.data());
    if (produced > buffer.size()) std::abort();
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<long>(produced));
  }
  std::vector<std::uint8_t> tail(3);
  std::size_t produced = decoder.Finish(tail.data());
  out.insert(out.end(), tail.begin(), tail.begin() + static_cast<long>(produced));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t split = data[0] % size;
  const char* text = reinterpret_cast<const char*>(data);

  auto bytes = Decode<fennimar::Base64Decoder>(text, size, split);
  std::vector<char> encoded(fennimar::Base64EncodedSize(bytes.size()));
  std::size_t length = fennimar::Base64EncodeLines(bytes.data(), bytes.size(), encoded.data());
  if (length != encoded.size()) std::abort();
  if (Decode<fennimar::Base64Decoder>(encoded.data(), length, length / 2) != bytes) std::abort();

  Decode<fennimar::QuotedPrintableDecoder>(text, size, split);
  return 0;
}
