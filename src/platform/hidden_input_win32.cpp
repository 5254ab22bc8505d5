// Reading a secret from the console on Windows: the console's echo is
// switched off (SetConsoleMode) and the line read as UTF-16 (ReadConsoleW),
// so that any character of the password arrives as typed.
#include <windows.h>

#include <iostream>

#include "platform/hidden_input.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

constexpr DWORD kReadStep = 256;

enum class ConsoleRead { kLine, kInterrupted, kNone };

// One line from the console, without its line end. Ctrl-C ends the read
// with nothing read (or as aborted), which tells it from a failure.
ConsoleRead ReadConsoleLine(HANDLE input, std::wstring& line) {
  wchar_t buffer[kReadStep];
  for (;;) {
    DWORD count = 0;
    if (!::ReadConsoleW(input, buffer, kReadStep, &count, nullptr)) {
      return ::GetLastError() == ERROR_OPERATION_ABORTED ? ConsoleRead::kInterrupted
                                                         : ConsoleRead::kNone;
    }
    if (count == 0) return ConsoleRead::kInterrupted;
    line.append(buffer, count);
    auto end = line.find(L'\n');
    if (end != std::wstring::npos) {
      line.resize(end);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      return ConsoleRead::kLine;
    }
  }
}

}  // namespace

HiddenLine ReadHiddenLine(const std::string& prompt, const std::function<bool()>& keepWaiting) {
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (input == INVALID_HANDLE_VALUE || !::GetConsoleMode(input, &saved)) return {};
  for (;;) {
    // The echo is off before the prompt shows, so that nothing typed on
    // seeing it can appear.
    if (!::SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT))) return {};
    std::cerr << prompt << std::flush;
    std::wstring text;
    ConsoleRead read = ReadConsoleLine(input, text);
    ::SetConsoleMode(input, saved);
    std::cerr << std::endl;
    if (read == ConsoleRead::kLine) return {HiddenRead::kRead, NarrowText(text)};
    if (read == ConsoleRead::kNone) return {};
    if (keepWaiting && !keepWaiting()) return {HiddenRead::kStopped, {}};
  }
}

}  // namespace fennimar
