// Scheduling of the threads that feed sound devices.
#pragma once
#include <memory>

namespace platform {

// Asks the system to run the calling thread ahead of ordinary work (real-time round-robin at a
// low priority, else a raised nice level). Returns false when neither was allowed; the thread
// then keeps running as before.
bool RaiseThreadPriority();
// Back to ordinary scheduling for the calling thread (after starting threads that inherit it).
void LowerThreadPriority();

// The speech and braille client libraries write to their sockets with plain write(): when the
// server has gone away that raises SIGPIPE, which would end the whole program. While one of
// these lives, SIGPIPE is blocked on the calling thread, and one raised meanwhile is taken off
// the queue before unblocking.
class NoSigpipe {
 public:
  NoSigpipe();
  ~NoSigpipe();
  NoSigpipe(const NoSigpipe&) = delete;
  NoSigpipe& operator=(const NoSigpipe&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
