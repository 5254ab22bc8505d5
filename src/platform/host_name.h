// The name of this machine, as the mail's greeting and message ids give it.
#pragma once

#include <string>

namespace fennimar {

// The system's host name; "localhost" when it cannot be told.
std::string HostName();

}  // namespace fennimar
