// The system's reason for a failed call, in the plain words the C library
// has for it ("Permission denied", "No space left on device"), so that a
// message can say why and not only what.
#pragma once

#include <cerrno>
#include <string>

namespace fennimar {

// The errno that tells "not a regular file" (a FIFO, a device, a socket), for
// which the system has no code of its own: a code no file call gives.
#ifdef ENOTBLK
inline constexpr int kNotRegularFile = ENOTBLK;
#else
inline constexpr int kNotRegularFile = EINVAL;
#endif

// The words for errno as it is now; empty when errno is 0. Call it right
// after the failed call, before anything else can change errno.
std::string LastErrorText();

}  // namespace fennimar
