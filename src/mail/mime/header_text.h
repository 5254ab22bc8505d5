// Header texts that every mail reader understands whatever characters they
// carry: encoded words for unstructured fields such as the subject and for
// the display names of addresses, and extended parameters with a plain
// fallback for file names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fennimar {

// Characters of one encoded word at most, "=?UTF-8?B?" and "?=" included.
inline constexpr std::size_t kMaxEncodedWord = 75;

// `text` on one line: each CR or LF becomes a blank, so that a header value
// or a command line cannot start a new line (or end a message early).
std::string OneLine(std::string_view text);

// True when `text` holds only printable ASCII, blanks and tabs.
bool IsPlainAscii(std::string_view text);

// The value of an unstructured header field: `text` itself when it is plain
// ASCII, else UTF-8 "B" encoded words, none splitting a character, joined by
// CR LF and a blank so that each stands on a line of its own.
std::string EncodedWords(std::string_view text);

// The addresses of an address list (From, To): the texts between commas
// outside double quotes and angle brackets, untrimmed.
std::vector<std::string_view> SplitAddresses(std::string_view list);

// The value of an address field: each address whose display name is not
// plain ASCII has it as encoded words (unquoted first) before its mailbox in
// angle brackets; everything else is kept as it stands.
std::string EncodedAddresses(std::string_view list);

// A file name every reader takes: each non-ASCII character, control
// character, quote and backslash becomes "_".
std::string AsciiFileName(std::string_view name);

// The extended value of a parameter: "utf-8''" and the name with every byte
// outside letters, digits and "!#$&+-.^_`|~" written as "%" and two hex
// digits, as `filename*=` carries it.
std::string ExtendedValue(std::string_view text);

}  // namespace fennimar
