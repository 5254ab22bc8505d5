// Format: a printf format and its arguments made into a string of whatever
// length they need. The program's texts keep printf's fields ("%2d parts"),
// so this is where they are filled.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>

namespace fennimar {

namespace detail {
template <typename T>
auto PrintfArgument(const T& value) {
  if constexpr (std::is_same_v<T, std::string>) {
    return value.c_str();
  } else {
    return value;
  }
}
}  // namespace detail

template <typename... Args>
std::string Format(const char* format, const Args&... args) {
  int size = std::snprintf(nullptr, 0, format, detail::PrintfArgument(args)...);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, format, detail::PrintfArgument(args)...);
  return text;
}

}  // namespace fennimar
