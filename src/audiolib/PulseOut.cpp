// A device stream straight to PulseAudio: a deep server-side queue that keys still rewrite.
//
// Frames of the stream are counted from its start; the server's read index R moves as the sink
// takes audio. The writer keeps three marks, all touched by the writer thread only:
//   final_  every frame before it went through MixDevice (positions, slides and syncs moved);
//           it is kept kLeadFrames past R, so a change is heard that soon;
//   valid_  the queue holds the right audio up to here (final audio, then the preview);
//   written_ anything written ends here (a preview cut short is padded with silence).
// A change of the mix (Wake) writes from the final point again; otherwise each tick only
// extends the preview to R + the queue length. The server takes a write before its read index
// as a request to rewind the sink, so a late estimate of R costs a few milliseconds, no gap.
#include "audiolib/PulseOut.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/Core.h"
#include "platform/Threads.h"

namespace alib::detail {

namespace {

constexpr int64_t kFrameBytes = 2 * sizeof(float);
constexpr int64_t kQueueFrames = int64_t(kOutRate) * kPulseQueueMs / 1000;
constexpr int64_t kLeadFrames = kOutRate * 4 / 1000;     // final audio past the read index
constexpr int64_t kMinReqFrames = kOutRate * 5 / 1000;   // also the sink's own latency
constexpr int64_t kKeepFrames = 4096;                    // final audio written at most per tick
constexpr auto kTick = std::chrono::milliseconds(10);
// A server that went away is asked again after 50 ms, then twice as long each time up to 0.5 s.
constexpr auto kRetryFirst = std::chrono::milliseconds(50);
constexpr auto kRetryLast = std::chrono::milliseconds(500);

// One connection for every device: its main loop thread runs the protocol; our calls take its lock.
// The main loop lasts until Shutdown; the context is made again when the server went away.
struct Client {
  std::mutex mutex;  // guards creating and ending the connection
  pa_threaded_mainloop* loop = nullptr;
  pa_context* ctx = nullptr;
  bool failed = false;  // the server could not be reached: not tried again until Shutdown
};

Client& TheClient() {
  static Client c;
  return c;
}

void ContextState(pa_context*, void* loop) {
  pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

// Client mutex held; the main loop's lock too when it runs.
void DropContext(Client& c) {
  if (!c.ctx) return;
  pa_context_set_state_callback(c.ctx, nullptr, nullptr);
  pa_context_disconnect(c.ctx);
  pa_context_unref(c.ctx);
  c.ctx = nullptr;
}

// Client mutex held.
void EndClient(Client& c) {
  if (c.loop) pa_threaded_mainloop_stop(c.loop);
  DropContext(c);
  if (c.loop) pa_threaded_mainloop_free(c.loop);
  c.loop = nullptr;
}

// A new context on the running main loop, ready or not made. Client mutex held, main loop lock not.
bool Connect(Client& c) {
  pa_threaded_mainloop_lock(c.loop);
  DropContext(c);
  c.ctx = pa_context_new(pa_threaded_mainloop_get_api(c.loop), "Tondrial");
  bool ok = c.ctx != nullptr;
  if (ok) {
    pa_context_set_state_callback(c.ctx, ContextState, c.loop);
    ok = pa_context_connect(c.ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
  }
  while (ok) {
    const pa_context_state_t st = pa_context_get_state(c.ctx);
    if (st == PA_CONTEXT_READY) break;
    if (!PA_CONTEXT_IS_GOOD(st)) ok = false;
    else pa_threaded_mainloop_wait(c.loop);
  }
  if (!ok) DropContext(c);
  pa_threaded_mainloop_unlock(c.loop);
  return ok;
}

// Client mutex held.
bool ContextReady(Client& c) {
  if (!c.ctx) return false;
  pa_threaded_mainloop_lock(c.loop);
  const bool ready = pa_context_get_state(c.ctx) == PA_CONTEXT_READY;
  pa_threaded_mainloop_unlock(c.loop);
  return ready;
}

// Client mutex held.
bool EnsureClient(Client& c) {
  if (c.loop) return ContextReady(c) || Connect(c);  // a server that went away may be back
  if (c.failed) return false;
  c.loop = pa_threaded_mainloop_new();
  if (!c.loop) return c.failed = true, false;
  // The protocol thread carries every write to the server: it inherits a raised priority.
  const bool raised = platform::RaiseThreadPriority();
  const int started = pa_threaded_mainloop_start(c.loop);
  if (raised) platform::LowerThreadPriority();
  if (started < 0 || !Connect(c)) {
    EndClient(c);
    return c.failed = true, false;
  }
  return true;
}

struct SinkSearch {
  pa_threaded_mainloop* loop;
  std::string description;
  std::string wanted;  // a sink name to prefer
  std::string name;
  bool done = false;
};

void SinkFound(pa_context*, const pa_sink_info* info, int eol, void* user) {
  auto* s = static_cast<SinkSearch*>(user);
  if (eol) {
    s->done = true;
    pa_threaded_mainloop_signal(s->loop, 0);
    return;
  }
  if (!info) return;
  if (!s->wanted.empty() && s->wanted == info->name) s->name = info->name;
  else if (s->name.empty() && info->description && s->description == info->description) s->name = info->name;
}

void StreamState(pa_stream*, void* loop) {
  pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

// The sink that has the name wanted, else the first described as SDL names the device ("" if
// none). Main loop lock held.
std::string FindSink(Client& c, const std::string& description, const std::string& wanted) {
  SinkSearch search{c.loop, description, wanted, {}, false};
  if (pa_operation* op = pa_context_get_sink_info_list(c.ctx, SinkFound, &search)) {
    while (!search.done && pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(c.loop);
    pa_operation_unref(op);
  }
  return search.name;
}

// A playback stream to the sink, ready, or null. Main loop lock held.
pa_stream* ConnectStream(Client& c, const std::string& sink, bool corked) {
  pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(kOutRate), 2};
  pa_stream* s = pa_stream_new(c.ctx, "Playback", &format, nullptr);
  if (!s) return nullptr;
  pa_stream_set_state_callback(s, StreamState, c.loop);
  pa_buffer_attr attr{};
  attr.maxlength = uint32_t(-1);
  attr.tlength = uint32_t(kQueueFrames * kFrameBytes);
  attr.prebuf = 0;  // never waits for a full queue: what is written plays at once
  attr.minreq = uint32_t(kMinReqFrames * kFrameBytes);
  attr.fragsize = uint32_t(-1);
  // Early requests: the sink itself runs only minreq ahead; the depth is in the stream's queue,
  // which we can still rewrite.
  auto flags = pa_stream_flags_t(PA_STREAM_EARLY_REQUESTS | PA_STREAM_NOT_MONOTONIC);
  if (corked) flags = pa_stream_flags_t(flags | PA_STREAM_START_CORKED);
  bool ok = pa_stream_connect_playback(s, sink.c_str(), &attr, flags, nullptr, nullptr) >= 0;
  while (ok) {
    const pa_stream_state_t st = pa_stream_get_state(s);
    if (st == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(st)) ok = false;
    else pa_threaded_mainloop_wait(c.loop);
  }
  if (ok) return s;
  pa_stream_set_state_callback(s, nullptr, nullptr);
  pa_stream_disconnect(s);
  pa_stream_unref(s);
  return nullptr;
}

class PulseStream final : public PulseOut {
 public:
  PulseStream(Device& dev, Client& client, pa_stream* stream, std::string sink)
      : dev_(dev), client_(client), loop_(client.loop), stream_(stream), sink_(std::move(sink)) {
    keep_.assign(size_t(kKeepFrames) * 2, 0.0f);
    scratch_.assign(kBlockFrames * 2, 0.0f);
    preview_.assign(size_t(kQueueFrames) * 2, 0.0f);
    silence_.assign(size_t(kQueueFrames) * 2, 0.0f);
    writer_ = std::thread([this] { Run(); });
  }

  ~PulseStream() override {
    {
      std::lock_guard<std::mutex> lk(wakeMutex_);
      stop_ = true;
    }
    wakeCv_.notify_one();
    writer_.join();
    pa_threaded_mainloop_lock(loop_);
    DropStream();
    pa_threaded_mainloop_unlock(loop_);
  }

  void SetIdle(bool idle) override {
    pa_threaded_mainloop_lock(loop_);
    if (idle != corked_) {
      corked_ = idle;
      if (stream_) {
        if (pa_operation* op = pa_stream_cork(stream_, idle ? 1 : 0, nullptr, nullptr)) pa_operation_unref(op);
        // Asked after the cork, the answer gives the read index where it stopped.
        RequestTiming(true);
      }
    }
    pa_threaded_mainloop_unlock(loop_);
    {
      std::lock_guard<std::mutex> lk(wakeMutex_);
      idle_ = idle;
      woken_ = true;
    }
    wakeCv_.notify_one();
  }

  void Wake() override {
    gen_.fetch_add(1);
    {
      std::lock_guard<std::mutex> lk(wakeMutex_);
      woken_ = true;
    }
    wakeCv_.notify_one();
  }

  bool Lost() const override { return lost_.load(); }

 private:
  // Client lock held.
  void DropStream() {
    if (!stream_) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    timingPending_ = false;
  }

  // Client lock held.
  void RequestTiming(bool force) {
    if (timingPending_ && !force) return;
    pa_operation* op = pa_stream_update_timing_info(
        stream_, [](pa_stream*, int, void* self) { static_cast<PulseStream*>(self)->timingPending_ = false; }, this);
    if (op) {
      timingPending_ = true;
      pa_operation_unref(op);
    }
  }

  // The frame the server reads next, from its last report moved on by the time since.
  int64_t ReadFrame() {
    pa_threaded_mainloop_lock(loop_);
    int64_t r = lastRead_;
    if (const pa_timing_info* ti = pa_stream_get_timing_info(stream_); ti && !ti->read_index_corrupt) {
      r = ti->read_index / kFrameBytes;
      if (ti->playing && !corked_) r += int64_t(pa_timeval_age(&ti->timestamp)) * kOutRate / 1000000;
    }
    RequestTiming(false);
    const pa_stream_state_t st = pa_stream_get_state(stream_);
    pa_threaded_mainloop_unlock(loop_);
    ready_ = st == PA_STREAM_READY;
    gone_ = !PA_STREAM_IS_GOOD(st);
    // It cannot have read what was never written; a report older than a pause would say so.
    r = std::min(r, written_);
    lastRead_ = r;
    return r;
  }

  void Write(const float* data, int64_t at, int64_t frames) {
    if (frames <= 0) return;
    pa_threaded_mainloop_lock(loop_);
    pa_stream_write(stream_, data, size_t(frames * kFrameBytes), nullptr, at * kFrameBytes, PA_SEEK_ABSOLUTE);
    pa_threaded_mainloop_unlock(loop_);
  }

  void Tick() {
    const int64_t r = ReadFrame();
    if (!ready_) return;
    const int64_t finalBefore = final_;
    const int64_t target = std::max(final_, r + kLeadFrames);
    // Make final up to the target; keep the tail that may have to be written.
    const int64_t keepFrom = std::max({finalBefore, r, target - kKeepFrames});
    for (int64_t at = final_; at < target;) {
      const int64_t n = std::min<int64_t>(int64_t(kBlockFrames), target - at);
      MixDevice(dev_, scratch_.data(), size_t(n), false);
      const int64_t from = std::max(at, keepFrom);
      if (from < at + n)
        std::memcpy(&keep_[size_t(from - keepFrom) * 2], &scratch_[size_t(from - at) * 2],
                    size_t(at + n - from) * kFrameBytes);
      at += n;
    }
    final_ = target;

    bool changed;
    int64_t from, previewAt, previewLen;
    {
      std::lock_guard<std::mutex> lk(dev_.mutex);
      const uint64_t gen = gen_.load();
      changed = gen != seenGen_;
      seenGen_ = gen;
      // What the queue already holds past the final point is right unless the mix changed.
      from = changed ? keepFrom : std::max({valid_, keepFrom});
      previewAt = std::max(from, target);
      const int64_t end = r + kQueueFrames;
      previewLen = 0;
      if (end > previewAt)
        previewLen = int64_t(PreviewMix(dev_, preview_.data(), size_t(previewAt - target), size_t(end - previewAt)));
    }
    if (from < target) Write(&keep_[size_t(from - keepFrom) * 2], from, target - from);
    Write(preview_.data(), previewAt, previewLen);
    const int64_t validEnd = previewAt + previewLen;
    if (changed) {
      // Audio of the old mix past what could be previewed must not play: silence until it is.
      for (int64_t at = validEnd; at < written_;) {
        const int64_t n = std::min(written_ - at, kQueueFrames);
        Write(silence_.data(), at, n);
        at += n;
      }
      valid_ = validEnd;
    } else {
      valid_ = std::max(valid_, validEnd);
    }
    written_ = std::max(written_, validEnd);
  }

  // A new stream to the same sink, on a new connection when the server went away. The queue it
  // had is lost with it: nothing mixed since is, as nothing was made final meanwhile, so the
  // channels play on from what was last heard (at most the lead past it is skipped).
  bool Reconnect() {
    Client& c = client_;
    std::lock_guard<std::mutex> cl(c.mutex);
    if (!c.loop) return false;
    if (!ContextReady(c) && !Connect(c)) return false;
    pa_threaded_mainloop_lock(loop_);
    DropStream();
    // The same sink if the server has it again, else the one SDL's name describes.
    const std::string sink = FindSink(c, dev_.name, sink_);
    if (!sink.empty()) stream_ = ConnectStream(c, sink, corked_);
    if (stream_) sink_ = sink;
    pa_threaded_mainloop_unlock(loop_);
    if (!stream_) return false;
    final_ = valid_ = written_ = lastRead_ = 0;
    seenGen_ = 0;  // everything is written anew
    gone_ = false;
    return true;
  }

  // Tries again and again, more slowly each time, until the stream is back or closing. False
  // when closing.
  bool Recover() {
    const auto lostAt = std::chrono::steady_clock::now();
    auto pause = kRetryFirst;
    for (;;) {
      if (Reconnect()) {
        lost_.store(false);
        return true;
      }
      if (std::chrono::steady_clock::now() - lostAt >= kLostAfter) lost_.store(true);
      std::unique_lock<std::mutex> lk(wakeMutex_);
      if (wakeCv_.wait_for(lk, pause, [&] { return stop_; })) return false;
      pause = std::min(pause * 2, kRetryLast);
    }
  }

  void Run() {
    platform::RaiseThreadPriority();
    for (;;) {
      {
        std::unique_lock<std::mutex> lk(wakeMutex_);
        auto ready = [&] { return woken_ || stop_; };
        // While it plays (or until the idle stream pauses) the queue is kept full; paused, only
        // a change wakes the writer.
        if (idle_) wakeCv_.wait(lk, ready);
        else wakeCv_.wait_for(lk, kTick, ready);
        if (stop_) return;
        woken_ = false;
      }
      Tick();
      // The server went away (ended, restarted) or took the stream back: its queue is gone.
      if (gone_ && !Recover()) return;
    }
  }

  Device& dev_;
  Client& client_;
  pa_threaded_mainloop* loop_;  // lasts as long as the client
  std::thread writer_;

  std::mutex wakeMutex_;
  std::condition_variable wakeCv_;
  bool woken_ = false, stop_ = false, idle_ = false;  // wakeMutex_
  std::atomic<uint64_t> gen_{1};                        // bumped by every change of the mix
  std::atomic<bool> lost_{false};                       // gone longer than kLostAfter

  // Client lock; replaced by the writer thread only, so it reads them without the lock.
  pa_stream* stream_;
  bool corked_ = false, timingPending_ = false;

  // Writer thread only.
  std::string sink_;
  uint64_t seenGen_ = 0;
  int64_t final_ = 0, valid_ = 0, written_ = 0, lastRead_ = 0;
  bool ready_ = false, gone_ = false;
  std::vector<float> keep_, scratch_, preview_, silence_;
};

}  // namespace

bool PulseWanted() {
  const char* v = std::getenv("ALIB_PULSE");
  return !v || std::strcmp(v, "0") != 0;
}

std::shared_ptr<PulseOut> PulseOut::Open(Device& dev) {
  Client& c = TheClient();
  std::lock_guard<std::mutex> cl(c.mutex);
  if (!EnsureClient(c)) return nullptr;
  pa_threaded_mainloop_lock(c.loop);
  // SDL names PulseAudio devices by their sinks' descriptions.
  const std::string sink = FindSink(c, dev.name, {});
  pa_stream* s = sink.empty() ? nullptr : ConnectStream(c, sink, false);
  pa_threaded_mainloop_unlock(c.loop);
  if (!s) return nullptr;
  return std::make_shared<PulseStream>(dev, c, s, sink);
}

void PulseShutdown() {
  Client& c = TheClient();
  std::lock_guard<std::mutex> cl(c.mutex);
  EndClient(c);
  c.failed = false;
}

}  // namespace alib::detail
