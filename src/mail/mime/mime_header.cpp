#include "mail/mime/mime_header.h"

#include <cstdint>
#include <optional>

#include "mail/mime/mail_text.h"
#include "platform/charset.h"
#include "text/ascii.h"

namespace fennimar {
namespace {

// At most this many sections of one RFC 2231 parameter are joined.
constexpr int kMaxParameterSections = 256;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "%41" escapes of an RFC 2231 value.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Text in `charset` as UTF-8; the bytes themselves when it cannot be told.
std::string AsUtf8(std::string_view bytes, std::string_view charset) {
  // RFC 2231 lets a language follow the character set: "utf-8*en".
  charset = charset.substr(0, charset.find('*'));
  if (charset.empty()) return std::string(bytes);
  return ToUtf8(bytes, charset).value_or(std::string(bytes));
}

// Reads the text at `pos` up to ";" (outside quotes), unquoting a quoted
// string and dropping comments; `pos` ends after the ";".
std::string ReadValue(std::string_view text, std::size_t& pos, bool& quoted) {
  std::string value;
  quoted = false;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos < text.size() && text[pos] == '"') {
    quoted = true;
    ++pos;
    while (pos < text.size() && text[pos] != '"') {
      if (text[pos] == '\\' && pos + 1 < text.size()) ++pos;
      value += text[pos++];
    }
    std::size_t semicolon = text.find(';', pos);
    pos = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
    return value;
  }
  int comment = 0;
  for (; pos < text.size() && !(text[pos] == ';' && comment == 0); ++pos) {
    char c = text[pos];
    if (c == '(') {
      ++comment;
    } else if (c == ')' && comment > 0) {
      --comment;
    } else if (comment == 0) {
      value += c;
    }
  }
  if (pos < text.size()) ++pos;
  return std::string(TrimBlanks(value));
}

struct Section {
  std::string text;
  bool encoded = false;
};
// The sections of each RFC 2231 parameter, by base name and number.
using ExtendedParameters = std::map<std::string, std::map<int, Section>>;

// The section number in "N" (of "name*N"), or -1 when it is none or too
// large.
int SectionNumber(std::string_view digits) {
  int number = 0;
  for (char c : digits) {
    if (!IsAsciiDigit(c) || number > kMaxParameterSections) return -1;
    number = number * 10 + (c - '0');
  }
  return number < kMaxParameterSections ? number : -1;
}

// Files one parameter: a plain one into `field`, a section of an RFC 2231
// one ("name*" is one encoded section, "name*N" and "name*N*" numbered
// ones) into `extended`.
void AddParameter(const std::string& name, std::string value, bool quoted, FieldValue& field,
                  ExtendedParameters& extended) {
  std::size_t star = name.find('*');
  if (star == std::string::npos) {
    if (quoted && value.find("=?") != std::string::npos) value = DecodeEncodedWords(value);
    field.parameters.emplace(name, std::move(value));
    return;
  }
  std::string_view rest = std::string_view(name).substr(star + 1);
  Section section{std::move(value), rest.empty() || rest.back() == '*'};
  if (!rest.empty() && rest.back() == '*') rest.remove_suffix(1);
  int number = SectionNumber(rest);
  if (number >= 0) extended[name.substr(0, star)].emplace(number, std::move(section));
}

// The value of an RFC 2231 parameter: its sections in order, the encoded
// ones %-decoded, in the character set the first section names
// ("charset'language'value"), as UTF-8.
std::string JoinSections(const std::map<int, Section>& sections) {
  std::string charset;
  std::string bytes;
  for (const auto& [number, section] : sections) {
    std::string_view piece = section.text;
    if (section.encoded && number == 0) {
      std::size_t first = piece.find('\'');
      std::size_t second = first == std::string_view::npos ? first : piece.find('\'', first + 1);
      if (second != std::string_view::npos) {
        charset = std::string(piece.substr(0, first));
        piece.remove_prefix(second + 1);
      }
    }
    bytes += section.encoded ? PercentDecoded(piece) : std::string(piece);
  }
  return AsUtf8(bytes, charset);
}

}  // namespace

std::string FieldValue::Parameter(const std::string& name) const {
  auto it = parameters.find(name);
  return it == parameters.end() ? std::string() : it->second;
}

FieldValue ParseFieldValue(std::string_view text) {
  FieldValue field;
  std::size_t pos = 0;
  bool quoted = false;
  field.value = ReadValue(text, pos, quoted);
  ExtendedParameters extended;
  while (pos < text.size()) {
    std::size_t equals = text.find('=', pos);
    std::size_t semicolon = text.find(';', pos);
    if (equals == std::string_view::npos) break;
    if (semicolon < equals) {  // a word without "=": skipped
      pos = semicolon + 1;
      continue;
    }
    std::string name = AsciiLower(TrimBlanks(text.substr(pos, equals - pos)));
    pos = equals + 1;
    std::string value = ReadValue(text, pos, quoted);
    if (!name.empty()) AddParameter(name, std::move(value), quoted, field, extended);
  }
  for (const auto& [base, sections] : extended) field.parameters[base] = JoinSections(sections);
  return field;
}

namespace {

// The bytes of a "B" encoded word's text; characters outside the base64
// alphabet are skipped.
std::string DecodeB(std::string_view payload) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : payload) {
    std::size_t v = std::string_view(kBase64Alphabet, 64).find(c);
    if (v == std::string_view::npos) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if (++count % 4 == 0) {
      bytes += static_cast<char>(bits >> 16);
      bytes += static_cast<char>(bits >> 8);
      bytes += static_cast<char>(bits);
      bits = 0;
    }
  }
  if (count % 4 == 2) bytes += static_cast<char>(bits >> 4);
  if (count % 4 == 3) {
    bytes += static_cast<char>(bits >> 10);
    bytes += static_cast<char>(bits >> 2);
  }
  return bytes;
}

// The bytes of a "Q" encoded word's text: "_" is a blank, "=XX" a byte.
std::string DecodeQ(std::string_view payload) {
  std::string bytes;
  for (std::size_t i = 0; i < payload.size(); ++i) {
    char c = payload[i];
    if (c == '_') {
      bytes += ' ';
    } else if (c == '=' && i + 2 < payload.size() && HexValue(payload[i + 1]) >= 0 &&
               HexValue(payload[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(payload[i + 1]) * 16 + HexValue(payload[i + 2]));
      i += 2;
    } else {
      bytes += c;
    }
  }
  return bytes;
}

// Decodes one encoded word "=?charset?B?text?=" that starts at `pos`; the
// position after it in `end`.
std::optional<std::string> EncodedWord(std::string_view text, std::size_t pos, std::size_t& end) {
  std::size_t q1 = text.find('?', pos + 2);
  if (q1 == std::string_view::npos || q1 + 2 >= text.size() || text[q1 + 2] != '?') return {};
  char kind = AsciiLower(text[q1 + 1]);
  std::size_t close = text.find("?=", q1 + 3);
  if (close == std::string_view::npos) return {};
  std::string_view charset = text.substr(pos + 2, q1 - pos - 2);
  std::string_view payload = text.substr(q1 + 3, close - q1 - 3);
  if (charset.empty() || payload.find_first_of(" \t") != std::string_view::npos) return {};
  if (kind != 'b' && kind != 'q') return {};
  end = close + 2;
  return AsUtf8(kind == 'b' ? DecodeB(payload) : DecodeQ(payload), charset);
}

}  // namespace

std::string DecodeEncodedWords(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  std::size_t blanksFrom = std::string::npos;  // blanks after a decoded word
  while (pos < text.size()) {
    std::size_t end = 0;
    std::optional<std::string> word;
    if (text.compare(pos, 2, "=?") == 0) word = EncodedWord(text, pos, end);
    if (word) {
      if (blanksFrom != std::string::npos) out.resize(blanksFrom);
      out += *word;
      blanksFrom = out.size();
      pos = end;
      continue;
    }
    char c = text[pos++];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') blanksFrom = std::string::npos;
    out += c;
  }
  return out;
}

void MimeHeader::AddLine(std::string_view line) {
  if (bytes_ + line.size() > kMaxHeaderBytes) return;
  bytes_ += line.size();
  if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
    if (!fields_.empty()) fields_.back().second += line;
    return;
  }
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  fields_.emplace_back(AsciiLower(TrimBlanks(line.substr(0, colon))),
                       std::string(line.substr(colon + 1)));
}

std::string MimeHeader::Field(std::string_view name) const {
  std::string wanted = AsciiLower(name);
  for (const auto& [fieldName, value] : fields_) {
    if (fieldName == wanted) return std::string(TrimBlanks(value));
  }
  return {};
}

}  // namespace fennimar
