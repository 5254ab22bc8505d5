// SystemError's codes on Windows: GetLastError() values, with the system's
// own words for them (FormatMessageW). The two kinds Windows has no code for
// use codes of the range the system leaves to programs.
#include <windows.h>

#include "platform/system_error_codes.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

constexpr int kIsDirectoryCode = 0x20000001;
constexpr int kNotRegularFileCode = 0x20000002;

}  // namespace

int CodeOfKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return ERROR_FILE_NOT_FOUND;
    case ErrorKind::kExists:
      return ERROR_FILE_EXISTS;
    case ErrorKind::kIsDirectory:
      return kIsDirectoryCode;
    case ErrorKind::kNotRegularFile:
      return kNotRegularFileCode;
    case ErrorKind::kOther:
      break;
  }
  return ERROR_GEN_FAILURE;
}

ErrorKind KindOfCode(int code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ErrorKind::kNotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return ErrorKind::kExists;
    case kIsDirectoryCode:
      return ErrorKind::kIsDirectory;
    case kNotRegularFileCode:
      return ErrorKind::kNotRegularFile;
    default:
      return ErrorKind::kOther;
  }
}

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

std::string TextOfCode(int code) {
  wchar_t* text = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words = length > 0 ? std::wstring(text, length) : std::wstring();
  ::LocalFree(text);
  while (!words.empty() &&
         (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.')) {
    words.pop_back();
  }
  return words.empty() ? "Error " + std::to_string(code) : NarrowText(words);
}

}  // namespace fennimar
