#include <windows.h>

#include "platform/path.h"
#include "platform/settings_directory.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

std::string SettingsDirectory() {
  // The roaming application data of the user's profile: the settings follow
  // the user from machine to machine in a domain.
  std::wstring value(MAX_PATH, L'\0');
  DWORD length = ::GetEnvironmentVariableW(L"APPDATA", value.data(), MAX_PATH);
  if (length > MAX_PATH) {
    value.resize(length);
    length = ::GetEnvironmentVariableW(L"APPDATA", value.data(), length);
  }
  value.resize(length < value.size() ? length : 0);
  return JoinPath(value.empty() ? "." : NarrowText(value), "Fennimar");
}

}  // namespace fennimar
