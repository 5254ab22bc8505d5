// The integer result codes of the parser's published interface, made from
// MimeParser's outcomes at the boundary where a caller needs them:
//   OpenSource   0; -1 a source is already open; -2 it cannot be opened.
//   CloseSource  0; -1 no source; -2 the close failed.
//   Parse        0; -1 no source; -2 not a MIME message or no empty line;
//                -3 a multipart message without a usable "boundary".
//   PartCount    the number of parsed parts; -1 no source.
//   ExtractPart  0; -1 no source; -2 no usable output name, or the output
//                cannot be created; -3 reading the source or writing the
//                output failed; -10 no such part.
//   FindText     the offset; -1 no source; -2 read error; -4 text longer
//                than the search window; -5 not found. A `caseFlag` of 0
//                compares without regard to letter case.
#pragma once

#include <cstdint>
#include <string_view>

#include "mail/mime/mime_parser.h"

namespace fennimar {

int ParserCode(SourceOutcome outcome);
int ParserCode(ParseOutcome outcome);
int ParserCode(PartOutcome outcome);
std::int64_t ParserCode(const FoundText& found);
template <typename Outcome>
int ParserCode(const ParserResult<Outcome>& result) {
  return ParserCode(result.outcome);
}

int PartCountCode(const MimeParser& parser);
std::int64_t FindTextCode(MimeParser& parser, std::string_view text, std::int64_t start,
                          int caseFlag, std::int64_t limit);

}  // namespace fennimar
