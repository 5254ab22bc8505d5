#include "mail/mime/content_encoders.h"

#include <array>
#include <cstring>
#include <memory>

namespace fennimar {
namespace {

// Base64 reads this many whole lines of source at a time, so that one output
// write carries many lines; the lines themselves are the 57-byte lines.
constexpr std::size_t kBase64BlockLines = 2048;
constexpr std::size_t kBase64ReadSize = kBase64BlockLines * kBase64LineBytes;

constexpr std::size_t kQuotedPrintableReadSize = 100;
constexpr std::size_t kQuotedPrintableSoftLimit = 72;  // a longer line gets "=" CR LF
constexpr std::size_t kQuotedPrintableOutSize = 4096;
constexpr char kUpperHex[] = "0123456789ABCDEF";

constexpr std::size_t kSevenBitBlock = 997;
constexpr int kSevenBitLineLimit = 996;
constexpr std::size_t kEightBitBlock = 998;
constexpr int kEightBitLineLimit = 997;
constexpr std::size_t kBinaryBlock = 1000;

// Two base64 characters for every 12-bit value, so that three source bytes
// take two table look-ups.
struct PairTable {
  std::array<std::array<char, 2>, 4096> pairs{};
  constexpr PairTable() {
    for (std::size_t v = 0; v < 4096; ++v) {
      pairs[v][0] = kBase64Alphabet[v >> 6];
      pairs[v][1] = kBase64Alphabet[v & 63];
    }
  }
};
constexpr PairTable kPairs;

inline char* EncodeGroup(const std::uint8_t* p, char* o) {
  std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  std::memcpy(o, kPairs.pairs[v >> 12].data(), 2);
  std::memcpy(o + 2, kPairs.pairs[v & 0xfff].data(), 2);
  return o + 4;
}

// One line of up to 57 bytes with its padding and CR LF.
char* EncodeLine(const std::uint8_t* p, std::size_t n, char* o) {
  if (n == kBase64LineBytes) {
    for (int g = 0; g < 19; ++g, p += 3) o = EncodeGroup(p, o);
  } else {
    for (; n >= 3; n -= 3, p += 3) o = EncodeGroup(p, o);
    if (n > 0) {
      std::uint32_t v = std::uint32_t{p[0]} << 16;
      if (n == 2) v |= std::uint32_t{p[1]} << 8;
      *o++ = kBase64Alphabet[v >> 18];
      *o++ = kBase64Alphabet[(v >> 12) & 63];
      *o++ = n == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
      *o++ = '=';
    }
  }
  *o++ = '\r';
  *o++ = '\n';
  return o;
}

// Copies the source block by block while each block passes the line test,
// with one byte of look-ahead so that a CR LF pair split between two blocks
// counts as a line end.
int CopyTested(File& source, File& output, std::size_t block, int lineLimit, bool testBytes) {
  std::array<std::uint8_t, kEightBitBlock + 1> buffer{};
  std::size_t have = 0;
  bool atEnd = false;
  int counter = 0;
  for (;;) {
    if (!atEnd) {
      auto nRead = source.Read(buffer.data() + have, block + 1 - have);
      std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
      if (n < static_cast<std::int64_t>(block + 1 - have)) atEnd = true;
      if (n > 0) have += static_cast<std::size_t>(n);
    }
    if (have == 0) return kEncodeOk;
    std::size_t take = have < block ? have : block;
    for (std::size_t i = 0; i < take; ++i) {
      std::uint8_t b = buffer[i];
      if (testBytes && (b == 0 || b > 127)) return kEncodeBadByte;
      if (b == '\r' && i + 1 < have && buffer[i + 1] == '\n') {
        counter = 0;
      } else {
        ++counter;
      }
      if (counter > lineLimit) return kEncodeLineTooLong;
    }
    (void)output.Write(buffer.data(), take);
    std::memmove(buffer.data(), buffer.data() + take, have - take);
    have -= take;
  }
}

}  // namespace

std::size_t Base64EncodeLines(const std::uint8_t* data, std::size_t size, char* out) {
  char* o = out;
  while (size > 0) {
    std::size_t n = size < kBase64LineBytes ? size : kBase64LineBytes;
    o = EncodeLine(data, n, o);
    data += n;
    size -= n;
  }
  return static_cast<std::size_t>(o - out);
}

void EncodeBase64(File& source, File& output) {
  auto in = std::make_unique<std::uint8_t[]>(kBase64ReadSize);
  auto out = std::make_unique<char[]>(Base64EncodedSize(kBase64ReadSize));
  for (;;) {
    auto nRead = source.Read(in.get(), kBase64ReadSize);
    std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
    if (n <= 0) return;
    std::size_t written = Base64EncodeLines(in.get(), static_cast<std::size_t>(n), out.get());
    (void)output.Write(out.get(), written);
    if (static_cast<std::size_t>(n) < kBase64ReadSize) return;
  }
}

void EncodeQuotedPrintable(File& source, File& output) {
  std::array<std::uint8_t, kQuotedPrintableReadSize> in{};
  std::array<char, kQuotedPrintableOutSize> out{};
  std::size_t used = 0;
  std::size_t lineLength = 0;
  for (;;) {
    auto nRead = source.Read(in.data(), in.size());
    std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
    if (n <= 0) break;
    for (std::int64_t i = 0; i < n; ++i) {
      // Room for a soft break and one escaped byte.
      if (used + 6 > out.size()) {
        (void)output.Write(out.data(), used);
        used = 0;
      }
      if (lineLength > kQuotedPrintableSoftLimit) {
        out[used++] = '=';
        out[used++] = '\r';
        out[used++] = '\n';
        lineLength = 0;
      }
      std::uint8_t b = in[static_cast<std::size_t>(i)];
      if ((b >= 33 && b <= 126 && b != '=') || b == ' ' || b == '\t') {
        out[used++] = static_cast<char>(b);
        lineLength += 1;
      } else {
        out[used++] = '=';
        out[used++] = kUpperHex[b >> 4];
        out[used++] = kUpperHex[b & 15];
        lineLength += 3;
      }
    }
    if (static_cast<std::size_t>(n) < in.size()) break;
  }
  if (used > 0) (void)output.Write(out.data(), used);
}

int EncodeSevenBit(File& source, File& output) {
  return CopyTested(source, output, kSevenBitBlock, kSevenBitLineLimit, true);
}

int EncodeEightBit(File& source, File& output) {
  return CopyTested(source, output, kEightBitBlock, kEightBitLineLimit, false);
}

void EncodeBinary(File& source, File& output) {
  std::array<std::uint8_t, kBinaryBlock> buffer{};
  for (;;) {
    auto nRead = source.Read(buffer.data(), buffer.size());
    std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
    if (n <= 0) return;
    (void)output.Write(buffer.data(), static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < buffer.size()) return;
  }
}

}  // namespace fennimar
