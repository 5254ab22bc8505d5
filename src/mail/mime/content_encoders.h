// The content encoders: each turns the bytes of a part's source file into the
// body of that part. An encoder reads its already opened source from its
// current position to the end and appends to the already opened output; it
// neither seeks nor truncates either file. Memory use is a fixed buffer per
// encoder, whatever the size of the source. A read error ends an encoder as
// if the source had ended.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mail/mime/mail_text.h"
#include "platform/file.h"

namespace fennimar {

// Results of the tested writers (SevenBit, EightBit).
inline constexpr int kEncodeOk = 0;
inline constexpr int kEncodeBadByte = 2;  // a byte 0 or above 127 (SevenBit only)
inline constexpr int kEncodeLineTooLong = 3;

// Bytes of source per base64 line, and characters per line (without CR LF).
inline constexpr std::size_t kBase64LineBytes = 57;
inline constexpr std::size_t kBase64LineChars = 76;

// Base64 lines: every 57 source bytes give one line of 76 characters followed
// by CR LF; the last line holds the rest, padded with "=" to a multiple of
// four characters. An empty source gives no line at all.
void EncodeBase64(File& source, File& output);

// Quoted-printable without hard line breaks: the source's own line ends are
// escaped like any other byte; a soft line break "=" CR LF follows every line
// of more than 72 characters. Bytes 33-60, 62-126, blank and tab stand as
// they are; every other byte is "=" and two upper-case hexadecimal digits.
void EncodeQuotedPrintable(File& source, File& output);

// The source unchanged, block by block (997 bytes), while each block passes
// its test: no byte 0 or above 127 (else 2), no line longer than 996 counted
// characters (else 3). The failing block and all after it are not written.
int EncodeSevenBit(File& source, File& output);

// As EncodeSevenBit with blocks of 998 bytes, no test of byte values and a
// line limit of 997 counted characters.
int EncodeEightBit(File& source, File& output);

// The source unchanged.
void EncodeBinary(File& source, File& output);

// In-memory base64 of whole lines, the core of EncodeBase64: encodes `size`
// bytes as lines of up to 57 bytes each (the last one may be shorter), each
// followed by CR LF, into `out`, which must hold Base64EncodedSize(size)
// characters. Returns the count written.
std::size_t Base64EncodeLines(const std::uint8_t* data, std::size_t size, char* out);
constexpr std::size_t Base64EncodedSize(std::size_t size) {
  std::size_t lines = (size + kBase64LineBytes - 1) / kBase64LineBytes;
  return (size + 2) / 3 * 4 + lines * 2;
}

}  // namespace fennimar
