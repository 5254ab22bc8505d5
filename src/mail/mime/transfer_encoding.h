// TransferEncoding: how the body of one MIME part is written, with the fixed
// numbers that identify each kind.
#pragma once

namespace fennimar {

enum class TransferEncoding : int {
  kSevenBit = 0,         // "7BIT": text, byte values and line lengths tested
  kEightBit = 1,         // "8BIT": text, line lengths tested
  kBase64 = 2,           // "BASE64"
  kQuotedPrintable = 3,  // "Quoted-Printable"
  kBinary = 4,           // "BINARY": raw copy
  kBinHex40 = 5,         // no writer; a part of this kind is its delimiter alone
  kMultipart = 6,        // produced by the parser only
};

}  // namespace fennimar
