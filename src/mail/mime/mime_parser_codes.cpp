#include "mail/mime/mime_parser_codes.h"

namespace fennimar {

int ParserCode(SourceOutcome outcome) {
  switch (outcome) {
    case SourceOutcome::kOk:
      return 0;
    case SourceOutcome::kAlreadyOpen:
    case SourceOutcome::kNoSource:
      return -1;
    case SourceOutcome::kCannotOpen:
    case SourceOutcome::kCloseFailed:
      break;
  }
  return -2;
}

int ParserCode(ParseOutcome outcome) {
  switch (outcome) {
    case ParseOutcome::kOk:
      return 0;
    case ParseOutcome::kNoSource:
      return -1;
    case ParseOutcome::kNotMime:
      return -2;
    case ParseOutcome::kNoBoundary:
      break;
  }
  return -3;
}

int ParserCode(PartOutcome outcome) {
  switch (outcome) {
    case PartOutcome::kOk:
      return 0;
    case PartOutcome::kNoSource:
      return -1;
    case PartOutcome::kUnusableName:
    case PartOutcome::kNameTaken:
    case PartOutcome::kCannotCreate:
      return -2;
    case PartOutcome::kFailed:
      return -3;
    case PartOutcome::kNoSuchPart:
      break;
  }
  return -10;
}

std::int64_t ParserCode(const FoundText& found) {
  switch (found.outcome) {
    case FindOutcome::kFound:
      return found.offset;
    case FindOutcome::kNoSource:
      return -1;
    case FindOutcome::kReadFailed:
      return -2;
    case FindOutcome::kTextTooLong:
      return -4;
    case FindOutcome::kNotFound:
      break;
  }
  return -5;
}

int PartCountCode(const MimeParser& parser) { return parser.HasSource() ? parser.PartCount() : -1; }

std::int64_t FindTextCode(MimeParser& parser, std::string_view text, std::int64_t start,
                          int caseFlag, std::int64_t limit) {
  LetterCase letterCase = caseFlag == 0 ? LetterCase::kIgnore : LetterCase::kExact;
  return ParserCode(parser.FindText(text, start, letterCase, limit));
}

}  // namespace fennimar
