#include "mail/mime/header_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "mail/mime/content_encoders.h"

namespace fennimar {
namespace {

constexpr char kWordStart[] = "=?UTF-8?B?";
constexpr char kWordEnd[] = "?=";
// Source bytes per word: four characters for every three bytes must fit.
constexpr std::size_t kWordBytes =
    (kMaxEncodedWord - (sizeof kWordStart - 1) - (sizeof kWordEnd - 1)) / 4 * 3;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

}  // namespace

std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

bool IsPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 32 && u < 127) || u == '\t';
  });
}

std::string EncodedWords(std::string_view text) {
  if (IsPlainAscii(text)) return std::string(text);
  std::string words;
  while (!text.empty()) {
    std::size_t take = std::min(text.size(), kWordBytes);
    // Never split a UTF-8 sequence between two words.
    while (take < text.size() && take > 1 && IsContinuationByte(text[take])) --take;
    char encoded[Base64EncodedSize(kWordBytes)];
    std::size_t n =
        Base64EncodeLines(reinterpret_cast<const std::uint8_t*>(text.data()), take, encoded);
    if (!words.empty()) words += "\r\n ";
    words += kWordStart;
    words.append(encoded, n - 2);  // without the line's CR LF
    words += kWordEnd;
    text.remove_prefix(take);
  }
  return words;
}

std::vector<std::string_view> SplitAddresses(std::string_view list) {
  std::vector<std::string_view> addresses;
  bool quoted = false;
  bool bracketed = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= list.size(); ++i) {
    char c = i < list.size() ? list[i] : ',';
    if (c == '"' && !bracketed) quoted = !quoted;
    if (!quoted && c == '<') bracketed = true;
    if (!quoted && c == '>') bracketed = false;
    if (c != ',' || ((quoted || bracketed) && i < list.size())) continue;
    addresses.push_back(list.substr(start, i - start));
    start = i + 1;
  }
  return addresses;
}

std::string EncodedAddresses(std::string_view list) {
  if (IsPlainAscii(list)) return std::string(list);
  std::string field;
  for (std::string_view address : SplitAddresses(list)) {
    if (!field.empty()) field += ',';
    std::size_t open = address.npos;
    bool quoted = false;
    for (std::size_t i = 0; i < address.size() && open == address.npos; ++i) {
      if (address[i] == '"') quoted = !quoted;
      if (address[i] == '<' && !quoted) open = i;
    }
    std::string_view display = address.substr(0, open);
    if (open == address.npos || IsPlainAscii(display)) {
      field += address;
      continue;
    }
    // An encoded word cannot stand inside quotes: the name goes unquoted.
    std::string name;
    bool escaped = false;
    for (char c : display.substr(display.find_first_not_of(" \t"))) {
      if (!escaped && (c == '"' || c == '\\')) {
        escaped = c == '\\';
        continue;
      }
      escaped = false;
      name += c;
    }
    name.erase(name.find_last_not_of(" \t") + 1);
    field +=
        (field.empty() ? "" : " ") + EncodedWords(name) + " " + std::string(address.substr(open));
  }
  return field;
}

std::string AsciiFileName(std::string_view name) {
  std::string plain;
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (IsContinuationByte(c)) continue;  // one "_" for the whole character
    plain += (u < 32 || u >= 127 || c == '"' || c == '\\') ? '_' : c;
  }
  return plain;
}

std::string ExtendedValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string value = "utf-8''";
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    bool plain = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                 (u != 0 && std::strchr("!#$&+-.^_`|~", c) != nullptr);
    if (plain) {
      value += c;
    } else {
      value += '%';
      value += kHex[u >> 4];
      value += kHex[u & 15];
    }
  }
  return value;
}

}  // namespace fennimar
