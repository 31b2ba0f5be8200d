#include <windows.h>

#include "platform/Threads.h"

namespace platform {

bool RaiseThreadPriority() {
  // Above ordinary work, below the system's own time-critical threads.
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

void LowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); }

// Windows has no SIGPIPE: a write to a closed socket fails with an error instead.
struct NoSigpipe::State {};
NoSigpipe::NoSigpipe() = default;
NoSigpipe::~NoSigpipe() = default;

}  // namespace platform
