// ParsedPart: one leaf body part that MimeParser found in a stored message,
// with where its body lies in the parsed file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "mail/mime/transfer_encoding.h"

namespace fennimar {

struct ParsedPart {
  // The part's file name: the disposition's "filename" parameter, else the
  // content type's "name"; empty when it has neither. Taken from the
  // message as it stands: see MimeParser::SafeFileName before it names a file.
  std::string name;
  // The media type ("Text/Plain" when the part has no Content-Type).
  std::optional<std::string> contentType;
  // The content type's "charset" and "type" parameters, when given.
  std::optional<std::string> charset;
  std::optional<std::string> typeParameter;
  TransferEncoding encoding = TransferEncoding::kSevenBit;
  // The byte range of the part's body in the parsed file.
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

}  // namespace fennimar
