// Character sets on Windows: the system's code pages (MultiByteToWideChar),
// found by the names mail headers give them.
#include <windows.h>

#include <array>
#include <charconv>

#include "platform/charset.h"
#include "platform/wide_text_win32.h"
#include "text/ascii.h"

namespace fennimar {
namespace {

struct NamedCodePage {
  std::string_view name;  // in small letters
  UINT codePage;
};

constexpr std::array<NamedCodePage, 16> kCodePages = {{
    {"utf-8", CP_UTF8},
    {"utf8", CP_UTF8},
    {"us-ascii", 20127},
    {"ascii", 20127},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"euc-jp", 20932},
    {"iso-2022-jp", 50220},
    {"gb2312", 936},
    {"gbk", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"euc-kr", 949},
    {"iso-2022-kr", 50225},
}};

// The number after `prefix`, or 0.
unsigned NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  unsigned number = 0;
  auto rest = name.substr(prefix.size());
  auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  return error == std::errc() && end == rest.data() + rest.size() ? number : 0;
}

// The code page of a character set's name; 0 for one the program does not
// know.
UINT CodePageOf(const std::string& name) {
  for (const auto& known : kCodePages) {
    if (known.name == name) return known.codePage;
  }
  // ISO-8859-1 to -16 are code pages 28591 to 28606; windows-1250 to
  // -1258 (also written cp1250) are their own numbers.
  if (unsigned part = NumberAfter(name, "iso-8859-"); part >= 1 && part <= 16) return 28590 + part;
  for (std::string_view prefix : {"windows-", "cp"}) {
    if (unsigned page = NumberAfter(name, prefix); page >= 1250 && page <= 1258) return page;
  }
  return 0;
}

}  // namespace

std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
  UINT codePage = CodePageOf(AsciiLower(charset));
  if (codePage == 0) return std::nullopt;
  if (bytes.empty()) return std::string();
  // The stateful ISO-2022 pages take no flags; the others refuse bytes that
  // are not valid in them.
  DWORD flags = codePage == 50220 || codePage == 50225 ? 0 : MB_ERR_INVALID_CHARS;
  int length = static_cast<int>(bytes.size());
  int size = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (::MultiByteToWideChar(codePage, flags, bytes.data(), length, wide.data(), size) != size) {
    return std::nullopt;
  }
  // US-ASCII has no byte above 127; the system's page maps them anyway.
  if (codePage == 20127) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) > 127) return std::nullopt;
    }
  }
  return NarrowText(wide);
}

}  // namespace fennimar
