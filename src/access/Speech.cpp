#include "access/Speech.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "app/TextUtil.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#endif

namespace {

struct Bridge {
  std::mutex lock;  // the loaded reader; announcements may come from the speech thread
  std::unique_ptr<SpeechBackend> loaded;
  int loadedKind = kNoScreenReader;
  SpeechBackend* fixed = nullptr;
  ScreenReaderHooks hooks;
};
// Never destroyed: the speech thread may still be using it while the program ends, and the
// connection to the reader simply ends with the process.
Bridge& B() {
  static Bridge* b = new Bridge;
  return *b;
}

// Only the thread that calls Speak touches the label.
std::string& LastContext() {
  static std::string c;
  return c;
}

struct SpeechThread {
  std::mutex lock;
  std::condition_variable wake, drained;
  std::deque<std::string> queue;
  bool running = false, stop = false, busy = false;
  std::thread worker;
};
SpeechThread& T() {
  static SpeechThread* t = new SpeechThread;  // never destroyed, like the bridge
  return *t;
}

std::vector<std::string> ProcessNames() {
  if (B().hooks.processNames) return B().hooks.processNames();
  return platform::RunningProcessNames();
}

void Pause(int ms) {
  if (B().hooks.pause) return B().hooks.pause(ms);
#ifdef _WIN32
  // The default timer tick (15.6 ms) would stretch the wait; 1 ms only while waiting.
  timeBeginPeriod(1);
  Sleep(static_cast<DWORD>(ms));
  timeEndPeriod(1);
#else
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

std::unique_ptr<SpeechBackend> Load(int kind) {
  if (B().hooks.load) return B().hooks.load(kind);
  return LoadPlatformScreenReader(kind);
}

// Caller holds B().lock.
bool TrySay(const std::string& t, bool interrupt) {
  SpeechBackend* b = B().fixed ? B().fixed : B().loaded.get();
  return b && b->Say(t, interrupt);
}

int ReconnectLocked() {
  B().loaded.reset();
  B().loadedKind = kNoScreenReader;
  Pause(200);
  int kind = DetectScreenReader();
  if (kind != kNoScreenReader) {
    B().loaded = Load(kind);
    if (B().loaded) B().loadedKind = kind;
  }
  return B().loadedKind;
}

void Worker() {
  auto& t = T();
  std::unique_lock<std::mutex> l(t.lock);
  while (true) {
    bool woke = t.wake.wait_for(l, std::chrono::seconds(1), [&] { return t.stop || !t.queue.empty(); });
    if (!woke) {
      l.unlock();
      {
        std::lock_guard<std::mutex> g(B().lock);
        if (B().loaded) B().loaded->Idle();
      }
      l.lock();
      continue;
    }
    if (t.queue.empty()) break;  // stop asked and nothing left
    // Everything queued so far goes as one batch. When a line finds no reader even after the
    // reconnection, the rest of the batch is dropped without reconnecting for each line: with
    // no reader running, keys held down would otherwise pile up a backlog of 200 ms pauses.
    std::deque<std::string> batch;
    batch.swap(t.queue);
    t.busy = true;
    l.unlock();
    for (const auto& line : batch)
      if (!SendToScreenReader(line, true)) break;
    l.lock();
    t.busy = false;
    if (t.queue.empty()) t.drained.notify_all();
  }
  t.busy = false;
  t.drained.notify_all();
}

void Send(const std::string& line) {
  auto& t = T();
  {
    std::lock_guard<std::mutex> l(t.lock);
    if (t.running && !B().fixed) {
      t.queue.push_back(line);
      t.wake.notify_one();
      return;
    }
  }
  SendToScreenReader(line, true);
}

}  // namespace

std::string CleanSpeechText(const std::string& t) {
  std::string out;
  out.reserve(t.size());
  // NUL goes too: the readers take C strings and would stop there.
  for (char c : t)
    if (static_cast<unsigned char>(c) >= 32) out += c;
  return text::Trim(out);
}

int SendToScreenReader(const std::string& t, bool interrupt) {
  std::string clean = CleanSpeechText(t);
  std::lock_guard<std::mutex> g(B().lock);
  if (TrySay(clean, interrupt)) return 1;
  // A backend given by the caller stands for itself: there is nothing to look for.
  if (!B().fixed) ReconnectLocked();
  return TrySay(clean, interrupt) ? 1 : 0;
}

int ScreenReaderKindOf(const std::vector<std::string>& names) {
  for (const auto& n : names) {
    size_t slash = n.find_last_of("\\/");
    std::string base = text::Trim(text::Lower(slash == std::string::npos ? n : n.substr(slash + 1)));
    if (base == "jfw.exe") return kScreenReaderJaws;
    if (base == "nvda.exe") return kScreenReaderNvda;
    if (base == "orca") return kScreenReaderOrca;
  }
  return kNoScreenReader;
}

int DetectScreenReader() { return ScreenReaderKindOf(ProcessNames()); }

int ReconnectScreenReader() {
  std::lock_guard<std::mutex> g(B().lock);
  return ReconnectLocked();
}

int LoadedScreenReader() {
  std::lock_guard<std::mutex> g(B().lock);
  return B().loadedKind;
}

void SetScreenReaderHooks(const ScreenReaderHooks& hooks) {
  std::lock_guard<std::mutex> g(B().lock);
  if (hooks.processNames) B().hooks.processNames = hooks.processNames;
  if (hooks.load) B().hooks.load = hooks.load;
  if (hooks.pause) B().hooks.pause = hooks.pause;
}

void ResetScreenReaderHooks() {
  std::lock_guard<std::mutex> g(B().lock);
  B().hooks = {};
  B().loaded.reset();
  B().loadedKind = kNoScreenReader;
}

void Speak(const std::string& t, const std::string& context) {
  if (!context.empty() && context != LastContext()) {
    Send(context + t);
    LastContext() = context;
  } else {
    Send(t);
  }
}

void SetSpeechBackend(SpeechBackend* backend) {
  FlushSpeech();
  {
    std::lock_guard<std::mutex> g(B().lock);
    B().fixed = backend;
  }
  LastContext().clear();
}

void ResetSpeech() { LastContext().clear(); }

void StartSpeechThread() {
  auto& t = T();
  std::lock_guard<std::mutex> l(t.lock);
  if (t.running) return;
  t.stop = false;
  t.running = true;
  t.worker = std::thread(Worker);
}

void StopSpeechThread() {
  auto& t = T();
  {
    std::lock_guard<std::mutex> l(t.lock);
    if (!t.running) return;
    t.stop = true;
    t.wake.notify_one();
  }
  t.worker.join();
  std::lock_guard<std::mutex> l(t.lock);
  t.running = false;
}

void FlushSpeech() {
  auto& t = T();
  std::unique_lock<std::mutex> l(t.lock);
  t.drained.wait(l, [&] { return !t.running || (t.queue.empty() && !t.busy); });
}
