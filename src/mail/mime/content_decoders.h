// Streaming decoders for the bodies the parser extracts: base64 and
// quoted-printable. Each is fed the body in pieces of any size and keeps the
// few bytes of state that a group or an escape split between two pieces
// needs, so a body of any length is decoded with fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fennimar {

// Base64: characters outside the alphabet and "=" (line ends, blanks, stray
// bytes) are skipped. Every four characters give three bytes; a group whose
// third character is "=" gives one byte, whose fourth is "=" gives two; a
// group with "=" in its first or second place gives nothing. A group left
// incomplete at the end gives the bytes its characters carry.
class Base64Decoder {
 public:
  // Decodes `size` characters into `out`, which must hold
  // MaxOutput(size) bytes. Returns the count of bytes written.
  std::size_t Decode(const char* in, std::size_t size, std::uint8_t* out);
  // Ends the body: writes what an incomplete last group carries (at most two
  // bytes) and resets the decoder. Returns the count written.
  std::size_t Finish(std::uint8_t* out);
  static constexpr std::size_t MaxOutput(std::size_t size) { return size / 4 * 3 + 3; }

 private:
  std::uint8_t group_[4] = {};
  int count_ = 0;
};

// Quoted-printable: "=" and two hexadecimal digits (either letter case) give
// one byte; "=" followed by a blank, a tab or CR is a soft line break and
// everything up to and including the next LF is dropped; "=" directly
// followed by LF is a soft line break too. Any other "=" stands for itself,
// and every other byte is copied.
class QuotedPrintableDecoder {
 public:
  // Decodes `size` bytes into `out`, which must hold MaxOutput(size) bytes.
  std::size_t Decode(const char* in, std::size_t size, std::uint8_t* out);
  // Ends the body: an escape left open at the end stands for itself.
  std::size_t Finish(std::uint8_t* out);
  static constexpr std::size_t MaxOutput(std::size_t size) { return size + 3; }

 private:
  enum class State { kText, kEquals, kEqualsHex, kSoftBreak };
  State state_ = State::kText;
  char pending_ = 0;  // the first hexadecimal digit after "="
};

// The reverse of mbox "From " quoting: a line that begins with one or more
// ">" and then "From " loses one ">". Postfix and Python quote only "From "
// (so a line that was ">From " there cannot be told apart and loses its ">"
// too); mboxrd writers also quote ">From " as ">>From ", which comes back
// whole. Lines split between pieces are seen whole.
class FromUnquoter {
 public:
  // Appends the unquoted text of `size` bytes to `out`.
  void Filter(const char* in, std::size_t size, std::string& out);
  // Ends the text: appends what was held back.
  void Finish(std::string& out);

 private:
  std::size_t quotes_ = 0;   // ">" seen at a line start
  std::size_t matched_ = 0;  // characters of "From " seen after them
  bool lineStart_ = true;
};

}  // namespace fennimar
