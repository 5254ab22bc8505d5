#include "platform/charset.h"

#include <iconv.h>

#include <cerrno>

namespace fennimar {
namespace {

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) > 127) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
  std::string name(charset);
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if ((name == "US-ASCII" || name == "UTF-8" || name == "UTF8") && IsAscii(bytes)) {
    return std::string(bytes);
  }
  iconv_t cd = ::iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string in(bytes);
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char block[256];
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = block;
    std::size_t outLeft = sizeof block;
    std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(block, static_cast<std::size_t>(outPtr - block));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  ::iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace fennimar
