#include "mail/mime/content_decoders.h"

#include <array>
#include <string_view>

#include "mail/mime/mail_text.h"

namespace fennimar {
namespace {

constexpr std::uint8_t kNotBase64 = 0xff;
constexpr std::uint8_t kPad = 0xfe;

struct DecodeTable {
  std::array<std::uint8_t, 256> values{};
  constexpr DecodeTable() {
    for (auto& v : values) v = kNotBase64;
    for (std::uint8_t i = 0; i < 64; ++i) {
      values[static_cast<unsigned char>(kBase64Alphabet[i])] = i;
    }
    values[static_cast<unsigned char>(kBase64Pad)] = kPad;
  }
};
constexpr DecodeTable kDecode;

// Each character's six bits already in their place within a group of four;
// anything but an alphabet character sets kQuadInvalid.
constexpr std::uint32_t kQuadInvalid = 0x80000000u;
struct QuadTable {
  std::uint32_t shifted[4][256] = {};
  constexpr QuadTable() {
    for (int place = 0; place < 4; ++place) {
      for (int c = 0; c < 256; ++c) {
        std::uint8_t v = kDecode.values[c];
        shifted[place][c] = v >= 64 ? kQuadInvalid : std::uint32_t{v} << (18 - 6 * place);
      }
    }
  }
};
constexpr QuadTable kQuad;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::size_t Base64Decoder::Decode(const char* in, std::size_t size, std::uint8_t* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(in);
  std::uint8_t* o = out;
  std::size_t i = 0;
  while (i < size) {
    // Whole groups of four alphabet characters, the bulk of any body, are
    // decoded four at a time; anything else goes through the group below.
    if (count_ == 0) {
      while (i + 4 <= size) {
        std::uint32_t bits = kQuad.shifted[0][bytes[i]] | kQuad.shifted[1][bytes[i + 1]] |
                             kQuad.shifted[2][bytes[i + 2]] | kQuad.shifted[3][bytes[i + 3]];
        if (bits & kQuadInvalid) break;
        o[0] = static_cast<std::uint8_t>(bits >> 16);
        o[1] = static_cast<std::uint8_t>(bits >> 8);
        o[2] = static_cast<std::uint8_t>(bits);
        o += 3;
        i += 4;
      }
      if (i >= size) break;
    }
    std::uint8_t v = kDecode.values[bytes[i++]];
    if (v == kNotBase64) continue;
    group_[count_++] = v;
    if (count_ < 4) continue;
    count_ = 0;
    if (group_[0] == kPad || group_[1] == kPad) continue;
    std::uint32_t bits = (std::uint32_t{group_[0]} << 18) | (std::uint32_t{group_[1]} << 12);
    *o++ = static_cast<std::uint8_t>(bits >> 16);
    if (group_[2] == kPad) continue;
    bits |= std::uint32_t{group_[2]} << 6;
    *o++ = static_cast<std::uint8_t>(bits >> 8);
    if (group_[3] == kPad) continue;
    bits |= group_[3];
    *o++ = static_cast<std::uint8_t>(bits);
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t Base64Decoder::Finish(std::uint8_t* out) {
  std::size_t written = 0;
  if (count_ >= 2 && group_[0] != kPad && group_[1] != kPad) {
    std::uint32_t bits = (std::uint32_t{group_[0]} << 18) | (std::uint32_t{group_[1]} << 12);
    out[written++] = static_cast<std::uint8_t>(bits >> 16);
    if (count_ == 3 && group_[2] != kPad) {
      bits |= std::uint32_t{group_[2]} << 6;
      out[written++] = static_cast<std::uint8_t>(bits >> 8);
    }
  }
  count_ = 0;
  return written;
}

std::size_t QuotedPrintableDecoder::Decode(const char* in, std::size_t size, std::uint8_t* out) {
  std::uint8_t* o = out;
  for (std::size_t i = 0; i < size; ++i) {
    char c = in[i];
    switch (state_) {
      case State::kText:
        if (c == '=') {
          state_ = State::kEquals;
        } else {
          *o++ = static_cast<std::uint8_t>(c);
        }
        break;
      case State::kEquals:
        if (c == ' ' || c == '\t' || c == '\r') {
          state_ = State::kSoftBreak;
        } else if (c == '\n') {
          state_ = State::kText;
        } else if (HexValue(c) >= 0) {
          pending_ = c;
          state_ = State::kEqualsHex;
        } else {
          // Not an escape: the "=" stands for itself and `c` is read afresh.
          *o++ = '=';
          state_ = State::kText;
          --i;
        }
        break;
      case State::kEqualsHex:
        if (HexValue(c) >= 0) {
          *o++ = static_cast<std::uint8_t>(HexValue(pending_) * 16 + HexValue(c));
          state_ = State::kText;
        } else {
          *o++ = '=';
          *o++ = static_cast<std::uint8_t>(pending_);
          state_ = State::kText;
          --i;
        }
        break;
      case State::kSoftBreak:
        if (c == '\n') state_ = State::kText;
        break;
    }
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t QuotedPrintableDecoder::Finish(std::uint8_t* out) {
  std::size_t written = 0;
  if (state_ == State::kEquals) {
    out[written++] = '=';
  } else if (state_ == State::kEqualsHex) {
    out[written++] = '=';
    out[written++] = static_cast<std::uint8_t>(pending_);
  }
  state_ = State::kText;
  return written;
}

void FromUnquoter::Filter(const char* in, std::size_t size, std::string& out) {
  constexpr std::string_view kFrom = "From ";
  for (std::size_t i = 0; i < size; ++i) {
    char c = in[i];
    if (lineStart_) {
      if (c == '>' && matched_ == 0) {
        ++quotes_;
        continue;
      }
      if (quotes_ > 0 && c == kFrom[matched_]) {
        if (++matched_ < kFrom.size()) continue;
        out.append(quotes_ - 1, '>');  // the one ">" the writer added goes
        out += kFrom;
        quotes_ = matched_ = 0;
        lineStart_ = false;
        continue;
      }
      Finish(out);
      lineStart_ = false;
    }
    out += c;
    if (c == '\n') lineStart_ = true;
  }
}

void FromUnquoter::Finish(std::string& out) {
  out.append(quotes_, '>');
  out += std::string_view("From ").substr(0, matched_);
  quotes_ = matched_ = 0;
  lineStart_ = true;
}

}  // namespace fennimar
