#include <windows.h>

#include "platform/Threads.h"

namespace platform {

bool RaiseThreadPriority() {
  // Above ordinary work, below the system's own time-critical threads.
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

void LowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); }

}  // namespace platform
