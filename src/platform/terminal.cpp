#include "platform/terminal.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace fennimar {

bool StandardInputIsTerminal() { return ::isatty(0) != 0; }
bool StandardOutputIsTerminal() { return ::isatty(1) != 0; }
bool StandardErrorIsTerminal() { return ::isatty(2) != 0; }

}  // namespace fennimar
