// The few text operations every layer needs on the ASCII text of part
// headers, mail headers, settings and command lines: digits, letter case
// without regard to the locale, blanks at the ends, control characters.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace fennimar {

inline constexpr std::string_view kAsciiBlanks = " \t\r\n";

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// True when `a` and `b` are equal but for the case of ASCII letters.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// `text` without the blanks (space, tab, CR, LF) at its ends.
constexpr std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(kAsciiBlanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(kAsciiBlanks);
  return text.substr(first, last - first + 1);
}

// A C0 control character or DEL.
constexpr bool IsControlCharacter(char c) {
  return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
}

constexpr bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return IsControlCharacter(c); });
}

}  // namespace fennimar
