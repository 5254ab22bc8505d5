// The few pieces of text that both the writing and the reading side of a
// message share: the base64 alphabet and the dot-stuffing of SMTP's DATA
// phase (a "." that begins a line goes out twice; a reader drops one).
#pragma once

#include <cstddef>
#include <cstring>

namespace fennimar {

// The base64 alphabet, value 0 to 63 in this order; "=" pads.
inline constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr char kBase64Pad = '=';

// Dot-stuffs a text handed over in pieces of any size. A line starts at the
// beginning of the text and after every CR or LF.
class DotStuffer {
 public:
  // Copies `size` bytes to `out`, doubling every "." that begins a line.
  // `out` must hold MaxOutput(size) bytes. Returns the count written.
  std::size_t Stuff(const char* in, std::size_t size, char* out) {
    // Runs without a dot are copied whole: base64 bodies have none.
    char* o = out;
    const char* end = in + size;
    while (in < end) {
      const char* dot = static_cast<const char*>(std::memchr(in, '.', end - in));
      const char* stop = dot ? dot : end;
      std::memcpy(o, in, stop - in);
      o += stop - in;
      if (stop > in) lineStart_ = stop[-1] == '\r' || stop[-1] == '\n';
      if (!dot) break;
      if (lineStart_) *o++ = '.';
      *o++ = '.';
      lineStart_ = false;
      in = dot + 1;
    }
    return static_cast<std::size_t>(o - out);
  }
  static constexpr std::size_t MaxOutput(std::size_t size) { return 2 * size; }
  // True when the next byte would begin a line.
  bool AtLineStart() const { return lineStart_; }

 private:
  bool lineStart_ = true;
};

}  // namespace fennimar
