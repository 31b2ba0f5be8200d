// The event thread: sync callbacks never run on the caller's thread nor on a mixing thread.
#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audiolib/Core.h"

namespace alib::detail {

namespace {

constexpr size_t kQueueSize = 4096;

struct EventThread {
  std::mutex mutex;
  std::condition_variable cv;      // new events
  std::condition_variable doneCv;  // events done
  std::array<Event, kQueueSize> queue{};
  uint64_t posted = 0;  // events ever posted
  uint64_t done = 0;    // events ever finished
  bool quit = false;
  std::thread thread;
  std::thread::id id;

  void Run() {
    std::unique_lock<std::mutex> lk(mutex);
    for (;;) {
      cv.wait(lk, [&] { return quit || done < posted; });
      if (done == posted && quit) return;
      Event ev = queue[done % kQueueSize];
      lk.unlock();
      if (ev.kind == Event::kCallback) {
        // A channel freed since the event was raised gets no more callbacks.
        bool alive;
        {
          std::lock_guard<std::mutex> rl(Reg().mutex);
          alive = Reg().channels.count(ev.channel) != 0;
        }
        if (alive && ev.proc) ev.proc(ev.sync, ev.channel, ev.data, ev.user);
      } else {
        FreeChannelHandle(ev.channel);
      }
      lk.lock();
      ++done;
      doneCv.notify_all();
    }
  }
};

EventThread& Thread() {
  static EventThread* t = [] {
    auto* e = new EventThread;
    e->thread = std::thread([e] { e->Run(); });
    e->id = e->thread.get_id();
    return e;
  }();
  return *t;
}

}  // namespace

void PostEvent(const Event& ev) {
  EventThread& t = Thread();
  {
    std::lock_guard<std::mutex> lk(t.mutex);
    if (t.posted - t.done >= kQueueSize) return;  // a stuck callback: drop rather than block mixing
    t.queue[t.posted % kQueueSize] = ev;
    ++t.posted;
  }
  t.cv.notify_one();
}

uint64_t EventsPosted() {
  EventThread& t = Thread();
  std::lock_guard<std::mutex> lk(t.mutex);
  return t.posted;
}

void WaitEventsDone(uint64_t upTo) {
  EventThread& t = Thread();
  if (std::this_thread::get_id() == t.id) return;  // a callback waiting on itself
  std::unique_lock<std::mutex> lk(t.mutex);
  t.doneCv.wait(lk, [&] { return t.done >= upTo; });
}

void StopEventThread() {
  // The thread lives for the whole process; nothing to do beyond draining.
  WaitEventsDone(EventsPosted());
}

}  // namespace alib::detail
