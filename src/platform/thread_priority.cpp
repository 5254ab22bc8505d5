#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fennimar {

void LowerThisThreadsPriority() {
  // On Linux a nice value belongs to a thread, named by its id.
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
}

}  // namespace fennimar
