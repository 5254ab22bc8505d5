#include <windows.h>

#include "platform/environment.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

std::optional<std::string> EnvironmentVariable(const char* name) {
  std::wstring wideName = WideText(name);
  // The size asked for first may grow before the second call: ask again.
  std::wstring value(64, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length =
        ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();  // set, and empty
    }
    if (length < value.size()) {
      value.resize(length);
      return NarrowText(value);
    }
    value.resize(length);  // the size with its terminating zero
  }
}

}  // namespace fennimar
