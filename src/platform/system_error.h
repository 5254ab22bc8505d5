// The system's reason for a failed call, in the plain words the C library
// has for it ("Permission denied", "No space left on device"), so that a
// message can say why and not only what.
#pragma once

#include <string>

namespace fennimar {

// The words for errno as it is now; empty when errno is 0. Call it right
// after the failed call, before anything else can change errno.
std::string LastErrorText();

}  // namespace fennimar
