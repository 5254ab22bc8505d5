#include "platform/wide_text_win32.h"

#include <windows.h>

namespace fennimar {

std::wstring WideText(std::string_view utf8) {
  if (utf8.empty()) return {};
  int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string NarrowText(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                   nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), narrow.data(),
                        size, nullptr, nullptr);
  return narrow;
}

std::wstring WidePath(std::string_view utf8) {
  std::wstring wide = WideText(utf8);
  if (wide.size() <= kClassicPathLimit || wide.starts_with(LR"(\\?\)")) return wide;
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  if (full.starts_with(LR"(\\?\)")) return full;
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

}  // namespace fennimar
