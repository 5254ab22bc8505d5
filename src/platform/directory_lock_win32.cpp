// DirectoryLock on Windows: a directory cannot be locked there, so the joiner
// runs as the only writer it normally is.
#include "platform/directory_lock.h"

namespace fennimar {

DirectoryLock::DirectoryLock(const std::string&) {}

DirectoryLock::~DirectoryLock() = default;

}  // namespace fennimar
