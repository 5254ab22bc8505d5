// MimeHeader: the header fields of one MIME entity, as stored messages write
// them, and the structured values of the fields that say what a part is.
//
// Field names match without regard to case; a field folded over several
// lines is one field. A structured value ("text/plain; charset=utf-8") is
// its leading word and its parameters, wherever they stand in the field,
// quoted or not. Parameter values in RFC 2231 form (name*=utf-8''caf%C3%A9,
// filename*0*=..., filename*1=...) are joined and decoded, and RFC 2047
// encoded words (=?utf-8?B?...?=) are decoded, both into UTF-8.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fennimar {

// The parts of a header kept per entity: more is dropped, so a hostile
// header cannot fill the memory.
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

struct FieldValue {
  std::string value;  // the leading word, as written ("Multipart/Mixed")
  // Parameter names in lower case; values unquoted and decoded.
  std::map<std::string, std::string> parameters;

  // The parameter's value, or empty when it is not there.
  std::string Parameter(const std::string& name) const;
};

// Splits a structured field value into its leading word and parameters.
FieldValue ParseFieldValue(std::string_view text);

// Replaces every RFC 2047 encoded word in `text` with its text in UTF-8;
// blanks between two encoded words are dropped. A malformed word stays as it
// is.
std::string DecodeEncodedWords(std::string_view text);

class MimeHeader {
 public:
  // Takes one line of the header, without its line end. A line that begins
  // with a blank or a tab continues the field before it.
  void AddLine(std::string_view line);
  // The unfolded value of the first field of that name, without the blanks
  // that begin it; empty when there is none.
  std::string Field(std::string_view name) const;

 private:
  std::vector<std::pair<std::string, std::string>> fields_;  // lower-case name, value
  std::size_t bytes_ = 0;
};

}  // namespace fennimar
