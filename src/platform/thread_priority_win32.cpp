#include <windows.h>

#include "platform/thread_priority.h"

namespace fennimar {

void LowerThisThreadsPriority() {
  (void)::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace fennimar
