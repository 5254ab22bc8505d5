// The Windows start. Text for a console goes to it as UTF-16
// (WriteConsoleW), and lines typed there come back from it as UTF-16
// (ReadConsoleW): whatever the console's code page, and without changing it
// for the cmd.exe or PowerShell window the user goes on working in, every
// name shows and is read as it is. The C runtime's own console output would
// take the UTF-8 bytes for the code page's characters. Output to a file or a
// pipe stays UTF-8 bytes.
#include <windows.h>

#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>

#include "platform/program_start.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

// The length of the longest prefix of `text` that ends on a whole UTF-8
// sequence: the bytes after it wait for the rest of their character.
std::size_t WholeSequences(const char* text, std::size_t size) {
  std::size_t start = size;
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    start = size - back;
    std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return back < length ? start : size;
  }
  return size;
}

class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(out_, out_ + sizeof out_); }

 protected:
  int_type overflow(int_type c) override {
    if (Flush() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

  int sync() override { return Flush(); }

  int_type underflow() override {
    wchar_t wide[kReadStep + 1];
    DWORD count = 0;
    if (!::ReadConsoleW(console_, wide, kReadStep, &count, nullptr) || count == 0) {
      return traits_type::eof();
    }
    // A character outside the first plane is not cut in two.
    if (count == kReadStep && IS_HIGH_SURROGATE(wide[count - 1])) {
      DWORD more = 0;
      if (::ReadConsoleW(console_, wide + count, 1, &more, nullptr)) count += more;
    }
    in_.clear();
    for (char c : NarrowText(std::wstring_view(wide, count))) {
      if (c != '\r') in_ += c;
    }
    if (in_.empty()) return underflow();
    setg(in_.data(), in_.data(), in_.data() + in_.size());
    return traits_type::to_int_type(in_.front());
  }

 private:
  static constexpr DWORD kReadStep = 256;

  int Flush() {
    auto size = static_cast<std::size_t>(pptr() - pbase());
    std::size_t whole = WholeSequences(pbase(), size);
    std::wstring text = WideText(std::string_view(pbase(), whole));
    DWORD written = 0;
    bool ok = text.empty() || ::WriteConsoleW(console_, text.data(),
                                              static_cast<DWORD>(text.size()), &written, nullptr);
    std::memmove(out_, out_ + whole, size - whole);
    setp(out_, out_ + sizeof out_);
    pbump(static_cast<int>(size - whole));
    return ok ? 0 : -1;
  }

  HANDLE console_;
  char out_[4096];
  std::string in_;
};

// Puts a console buffer under `stream` when `handle` is a console. The
// buffer is never freed: the streams flush at the very end of the program.
void UseConsole(std::ios& stream, DWORD handle) {
  HANDLE console = ::GetStdHandle(handle);
  DWORD mode = 0;
  if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode)) {
    stream.rdbuf(new ConsoleBuffer(console));
  }
}

}  // namespace

std::vector<std::string> StartProgram(int argc, wchar_t** argv) {
  UseConsole(std::cout, STD_OUTPUT_HANDLE);
  UseConsole(std::cerr, STD_ERROR_HANDLE);
  UseConsole(std::cin, STD_INPUT_HANDLE);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(NarrowText(argv[i]));
  return arguments;
}

}  // namespace fennimar
