// Scheduling of the threads that feed sound devices.
#pragma once

namespace platform {

// Asks the system to run the calling thread ahead of ordinary work (real-time round-robin at a
// low priority, else a raised nice level). Returns false when neither was allowed; the thread
// then keeps running as before.
bool RaiseThreadPriority();
// Back to ordinary scheduling for the calling thread (after starting threads that inherit it).
void LowerThreadPriority();

}  // namespace platform
