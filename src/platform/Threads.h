// Scheduling of the threads that feed sound devices.
#pragma once

namespace platform {

// Asks the system to run the calling thread ahead of ordinary work (real-time round-robin at a
// low priority, else a raised nice level). Returns false when neither was allowed; the thread
// then keeps running as before.
bool RaiseThreadPriority();

}  // namespace platform
