// MimePart: one body part of a MIME message, either one to be composed from a
// source file or one found by the parser in a stored message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mail/mime/transfer_encoding.h"

namespace fennimar {

struct MimePart {
  // Composition: the source file. Parsing: the part's "NAME" parameter
  // (empty when the part has none).
  std::string path;
  // The media type; none means the default of the part's kind.
  std::optional<std::string> contentType;
  // The "CHARSET" and "TYPE" parameters; set by the parser.
  std::optional<std::string> charset;
  std::optional<std::string> typeParameter;
  TransferEncoding encoding = TransferEncoding::kSevenBit;
  // Parsing only: the byte range of the part's body in the parsed file.
  std::int64_t offset = 0;
  std::int64_t length = 0;
  // Extra lines of this part's header, without line ends, in insertion order.
  std::vector<std::string> partHeaderLines;
};

}  // namespace fennimar
