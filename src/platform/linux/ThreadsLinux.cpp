#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/Threads.h"

namespace platform {

bool RaiseThreadPriority() {
  // A low real-time priority is enough to run before busy programs; the sound server and its
  // devices keep the higher ones. RLIMIT_RTPRIO caps what an ordinary user may ask for.
  int prio = 10;
  rlimit lim{};
  if (geteuid() != 0 && getrlimit(RLIMIT_RTPRIO, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
    prio = std::min<int>(prio, int(lim.rlim_cur));
  if (prio > 0) {
    sched_param p{};
    p.sched_priority = prio;
    // Reset-on-fork: a program started from this thread does not inherit real-time scheduling.
    if (pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &p) == 0) return true;
  }
  const pid_t tid = pid_t(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, id_t(tid), -11) == 0;
}

void LowerThreadPriority() {
  sched_param p{};
  p.sched_priority = 0;
  pthread_setschedparam(pthread_self(), SCHED_OTHER, &p);
  const pid_t tid = pid_t(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, id_t(tid), 0);
}

struct NoSigpipe::State {
  sigset_t pipe, old;
  bool blocked = false, wasPending = false;
};

NoSigpipe::NoSigpipe() : state_(std::make_unique<State>()) {
  sigemptyset(&state_->pipe);
  sigaddset(&state_->pipe, SIGPIPE);
  sigset_t pending;
  sigpending(&pending);
  state_->wasPending = sigismember(&pending, SIGPIPE) == 1;
  state_->blocked = pthread_sigmask(SIG_BLOCK, &state_->pipe, &state_->old) == 0;
}

NoSigpipe::~NoSigpipe() {
  if (!state_->blocked) return;
  sigset_t pending;
  sigpending(&pending);
  if (!state_->wasPending && sigismember(&pending, SIGPIPE) == 1) {
    timespec zero{0, 0};
    sigtimedwait(&state_->pipe, nullptr, &zero);
  }
  pthread_sigmask(SIG_SETMASK, &state_->old, nullptr);
}

}  // namespace platform
