// SystemError on Windows: the codes are GetLastError() values, and the words
// for them are the system's own (FormatMessageW). The two kinds Windows has
// no code for use codes of the range the system leaves to programs.
#include <windows.h>

#include "platform/system_error.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

constexpr int kIsDirectoryCode = 0x20000001;
constexpr int kNotRegularFileCode = 0x20000002;

}  // namespace

SystemError SystemError::OfKind(std::string step, ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound:
      return SystemError(std::move(step), ERROR_FILE_NOT_FOUND);
    case ErrorKind::kExists:
      return SystemError(std::move(step), ERROR_FILE_EXISTS);
    case ErrorKind::kIsDirectory:
      return SystemError(std::move(step), kIsDirectoryCode);
    case ErrorKind::kNotRegularFile:
      return SystemError(std::move(step), kNotRegularFileCode);
    case ErrorKind::kOther:
      break;
  }
  return SystemError(std::move(step), ERROR_GEN_FAILURE);
}

SystemError SystemError::Last(std::string step) {
  return SystemError(std::move(step), static_cast<int>(::GetLastError()));
}

ErrorKind SystemError::kind() const {
  switch (code_) {
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

std::string SystemError::Reason() const {
  if (!reason_.empty() || code_ == 0) return reason_;
  if (code_ == kIsDirectoryCode) return "Is a directory";
  if (code_ == kNotRegularFileCode) return "Not a regular file";
  wchar_t* text = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code_), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words = length > 0 ? std::wstring(text, length) : std::wstring();
  ::LocalFree(text);
  while (!words.empty() &&
         (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.')) {
    words.pop_back();
  }
  return words.empty() ? "Error " + std::to_string(code_) : NarrowText(words);
}

}  // namespace fennimar
