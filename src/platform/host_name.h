// The name of this machine, as the mail's greeting gives it.
#pragma once

#include <string>

namespace fennimar {

// The system's host name; empty when it cannot be told.
std::string HostName();

}  // namespace fennimar
