#include "platform/dead_run_directory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/temporary_files.h"

namespace fennimar {

// The entries are removed through the opened directory, so that nothing can
// swap another directory in under the name meanwhile.
void RemoveIfDead(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid() ||
      ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  RemoveEntriesAt(fd, 1);
  ::rmdir(path.c_str());  // fails, harmlessly, if the name no longer holds this directory
  ::close(fd);
}

}  // namespace fennimar
