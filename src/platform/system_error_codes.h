// The platform's side of SystemError: its codes for the kinds a caller tells
// apart, the calling thread's last code, and the system's words for a code.
// One implementation per system (errno, GetLastError()).
#pragma once

#include <string>

#include "platform/system_error.h"

namespace fennimar {

int CodeOfKind(ErrorKind kind);
ErrorKind KindOfCode(int code);
int LastErrorCode();
std::string TextOfCode(int code);

}  // namespace fennimar
