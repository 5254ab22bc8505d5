// The machine's name on Windows: its DNS host name, as a mail greeting
// gives it.
#include <windows.h>

#include "platform/host_name.h"
#include "platform/wide_text_win32.h"

namespace fennimar {

std::string HostName() {
  DWORD size = 0;
  ::GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size)) return {};
  name.resize(size);
  return NarrowText(name);
}

}  // namespace fennimar
