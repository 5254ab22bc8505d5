// ComposedPart: one body part that MimeComposer writes from a source file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mail/mime/transfer_encoding.h"

namespace fennimar {

struct ComposedPart {
  // The file whose bytes make the part's body; its last component names the
  // attachment.
  std::string sourcePath;
  // The media type; none means the default of the part's encoding.
  std::optional<std::string> contentType;
  TransferEncoding encoding = TransferEncoding::kSevenBit;
  // Extra lines of this part's header, without line ends, in insertion order.
  std::vector<std::string> partHeaderLines;
};

}  // namespace fennimar
