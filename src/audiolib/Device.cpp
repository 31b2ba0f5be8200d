// Output devices (SDL2, manual test devices, the silent "No sound" device) and the mixer.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "audiolib/Core.h"
#include "audiolib/PulseOut.h"
#include "platform/Threads.h"

namespace alib {

namespace detail {

namespace {

constexpr int kSdlBufferFrames = 512;  // about 12 ms: shorter periods left the sound server short on a busy machine
constexpr auto kIdleClose = std::chrono::seconds(2);  // quiet time before a device's stream closes

bool g_sdlAudio = false;

bool EnsureSdlAudio() {
  if (g_sdlAudio) return true;
  // The sound server's client thread starts here and inherits our scheduling: it carries every
  // period to the server, so it must not wait behind busy programs either.
  const bool raised = platform::RaiseThreadPriority();
  const int rc = SDL_InitSubSystem(SDL_INIT_AUDIO);
  if (raised) platform::LowerThreadPriority();
  if (rc != 0) return false;
  g_sdlAudio = true;
  return true;
}

std::unique_ptr<Device> NoSoundDevice(bool manual) {
  auto d = std::make_unique<Device>();
  d->name = "No sound";
  d->driver = "";
  d->noSound = true;
  d->manual = manual;
  return d;
}

// Builds the device list; only while no device is open, so indexes stay put.
void Enumerate(Registry& r) {
  for (auto& d : r.devices)
    if (d->open) return;
  r.devices.clear();
  r.devices.push_back(NoSoundDevice(r.manualBackend));
  if (r.manualBackend) {
    for (const ManualDeviceEntry& s : r.manualEntries) {
      auto d = std::make_unique<Device>();
      d->name = s.name;
      d->driver = "manual";
      d->isDefault = s.isDefault;
      d->manual = true;
      r.devices.push_back(std::move(d));
    }
  } else if (EnsureSdlAudio()) {
    // A driver with no devices (ALSA chosen while no sound server ran) gets a second chance:
    // the server may be up now.
    if (SDL_GetNumAudioDevices(0) <= 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      g_sdlAudio = false;
      if (!EnsureSdlAudio()) {
        r.enumerated = true;
        return;
      }
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    int n = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < n; ++i) {
      const char* name = SDL_GetAudioDeviceName(i, 0);
      auto d = std::make_unique<Device>();
      d->name = name ? name : "";
      d->driver = driver ? driver : "";
      r.devices.push_back(std::move(d));
    }
    char* defName = nullptr;
    SDL_AudioSpec format{};
    bool marked = false;
    if (SDL_GetDefaultAudioInfo(&defName, &format, 0) == 0 && defName) {
      for (size_t i = 1; i < r.devices.size() && !marked; ++i) {
        if (r.devices[i]->name == defName) {
          r.devices[i]->isDefault = true;
          marked = true;
        }
      }
      SDL_free(defName);
    }
    // When the backend cannot say, the first device is what SDL opens by default.
    if (!marked && r.devices.size() > 1) r.devices[1]->isDefault = true;
  }
  r.enumerated = true;
}

void EnsureEnumerated(Registry& r) {
  if (!r.enumerated) Enumerate(r);
}

void SdlCallback(void* userdata, Uint8* stream, int len) {
  auto* dev = static_cast<Device*>(userdata);
  // SDL gives each device its own thread; ask once per thread to run ahead of busy programs.
  thread_local bool raised = false;
  if (!raised) {
    raised = true;
    platform::RaiseThreadPriority();
  }
  MixDevice(*dev, reinterpret_cast<float*>(stream), size_t(len) / (2 * sizeof(float)), false);
}

void PacerLoop(Device* dev) {
  using namespace std::chrono;
  std::vector<float> out(441 * 2);
  auto next = steady_clock::now();
  while (!dev->stopPacer.load()) {
    MixDevice(*dev, out.data(), 441, false);
    next += milliseconds(10);
    std::this_thread::sleep_until(next);
  }
}

void FireSyncs(Channel& ch, uint32_t type, uint32_t data) {
  for (size_t i = 0; i < ch.syncs.size();) {
    Sync& s = ch.syncs[i];
    if (s.type == type) {
      PostEvent(Event{Event::kCallback, s.proc, s.handle, ch.handle, data, s.user});
      if (s.oneTime) {
        ch.syncs.erase(ch.syncs.begin() + long(i));  // erase never allocates
        continue;
      }
    }
    ++i;
  }
}

void FirePositionSyncs(Channel& ch, int64_t from, int64_t to) {
  if (to <= from) return;
  for (size_t i = 0; i < ch.syncs.size();) {
    Sync& s = ch.syncs[i];
    if (s.type == kSyncPos && s.param >= from && s.param < to) {
      PostEvent(Event{Event::kCallback, s.proc, s.handle, ch.handle, 0, s.user});
      if (s.oneTime) {
        ch.syncs.erase(ch.syncs.begin() + long(i));
        continue;
      }
    }
    ++i;
  }
}

void StopAndMaybeFree(Channel& ch) {
  ch.state = kActiveStopped;
  ch.stalled = false;
  if (ch.autoFree) PostEvent(Event{Event::kFree, nullptr, 0, ch.handle, 0, nullptr});
}

// One block of one channel: source, effects, volume, then positions and syncs.
void MixChannel(Device& dev, Channel& ch, float* mix, size_t n, bool waitForFiles) {
  const bool playing = ch.state == kActivePlaying;
  size_t got = 0;
  int64_t heard = ch.pos;
  bool atEnd = false;
  if (playing) {
    if (!dev.renderAhead) {
      // Manual and silent devices render in the mix, exactly what is taken, so renders repeat.
      std::lock_guard<std::mutex> rl(ch.renderMutex);
      FillAhead(ch, n, waitForFiles && !ch.src->IsNetwork());
    }
    {
      std::lock_guard<std::mutex> al(ch.aheadMutex);
      got = ch.ahead.Take(ch.buf.data(), n, heard);
      atEnd = ch.ahead.end && ch.ahead.count == 0;
      if (dev.renderAhead && ch.ahead.count + kBlockFrames <= dev.aheadFrames && !ch.ahead.end) dev.WakeRenderer();
    }
    if (atEnd) ch.ended = true;
  }
  // Volume, sliding in device time (a paused channel keeps sliding).
  bool slideEnded = false;
  float v = ch.vol;
  const float* b = ch.buf.data();
  for (size_t i = 0; i < n; ++i) {
    if (ch.slideLeft > 0) {
      v = float(double(v) + ch.volStep);
      if (--ch.slideLeft == 0) {
        v = ch.volTarget;
        slideEnded = true;
      }
    }
    if (i < got) {
      mix[2 * i] += b[2 * i] * v;
      mix[2 * i + 1] += b[2 * i + 1] * v;
    }
  }
  ch.vol = v;
  if (playing) {
    const int64_t before = ch.pos;
    const int64_t len = ch.src->LengthFrames();
    if (len >= 0 && heard > len && !ch.ended) heard = len;
    // The tempo stage's estimate of what it holds wobbles; heard positions only move forward
    // between seeks, so a position sync cannot fire twice.
    if (heard > ch.pos) ch.pos = heard;
    FirePositionSyncs(ch, before, ch.pos);
    uint32_t tagEvents = ch.src->TakeTagEvents(ch.pos);
    if (tagEvents & kTagEventMeta) FireSyncs(ch, kSyncMeta, 0);
    if (tagEvents & kTagEventOgg) FireSyncs(ch, kSyncOggChange, 0);
    if (got < n) {
      if (ch.ended) {
        FireSyncs(ch, kSyncEnd, 0);
        StopAndMaybeFree(ch);
      } else {
        // One underrun per run of starved periods, once the channel has been heard: the wait
        // for a stream's first data is not a gap.
        if (!ch.stalled && ch.heardSince) ++ch.underruns;
        ch.stalled = true;
      }
    } else {
      ch.stalled = false;
    }
    if (got) ch.heardSince = true;
  }
  if (slideEnded) {
    FireSyncs(ch, kSyncSlide, kAttribVol);
    if (ch.stopAfterSlide && ch.state != kActiveStopped) {
      ch.stopAfterSlide = false;
      StopAndMaybeFree(ch);
    }
  }
}

}  // namespace

// Mix lock held: a channel plays or slides, so the device must keep running.
bool MixBusy(const Device& dev) {
  for (const Channel* ch : dev.playing)
    if (ch->state == kActivePlaying || ch->slideLeft > 0) return true;
  return false;
}

size_t Produce(Channel& ch, float* out, size_t frames, bool wait) {
  if (!ch.tempo) {
    size_t got = ch.src->Read(out, frames, wait);
    if (got < frames && ch.src->AtEnd()) ch.sourceDone = true;
    return got;
  }
  size_t got = 0;
  while (got < frames) {
    got += ch.tempo->Receive(out + got * 2, frames - got);
    if (got == frames) break;
    if (ch.tempoFlushed) {
      ch.sourceDone = true;
      break;
    }
    size_t m = ch.src->Read(ch.feed.data(), ch.feed.size() / 2, wait);
    if (m) {
      ch.tempo->Put(ch.feed.data(), m);
    } else if (ch.src->AtEnd()) {
      ch.tempo->Flush();
      ch.tempoFlushed = true;
    } else {
      break;  // starved
    }
  }
  return got;
}

int64_t ProducedPosition(Channel& ch) {
  int64_t p = ch.src->ReadPos();
  if (ch.tempo) p -= std::llround(ch.tempo->SourceFramesInside());
  return p < 0 ? 0 : p;
}

void AheadRing::Push(const float* in, size_t n, int64_t pos) {
  for (size_t i = 0; i < n;) {
    const size_t at = (head + count) % cap;
    const size_t run = std::min(n - i, cap - at);
    std::memcpy(&ring[at * 2], in + i * 2, run * 2 * sizeof(float));
    count += run;
    i += run;
  }
  written += n;
  if (markCount == marks.size()) {
    // Full: the newest mark moves on, positions between them are interpolated more coarsely.
    marks[(markHead + markCount - 1) % marks.size()] = Mark{written, pos};
  } else {
    marks[(markHead + markCount) % marks.size()] = Mark{written, pos};
    ++markCount;
  }
}

size_t AheadRing::Take(float* out, size_t n, int64_t& pos) {
  const size_t got = std::min(n, count);
  for (size_t i = 0; i < got;) {
    const size_t run = std::min(got - i, cap - head);
    std::memcpy(out + i * 2, &ring[head * 2], run * 2 * sizeof(float));
    head = (head + run) % cap;
    count -= run;
    i += run;
  }
  taken += got;
  while (markCount && marks[markHead].end <= taken) {
    prevEnd = marks[markHead].end;
    prevPos = marks[markHead].pos;
    markHead = (markHead + 1) % marks.size();
    --markCount;
  }
  pos = prevPos;
  if (markCount && taken > prevEnd) {
    const Mark& m = marks[markHead];
    pos += (m.pos - prevPos) * int64_t(taken - prevEnd) / int64_t(m.end - prevEnd);
  }
  return got;
}

size_t AheadRing::Peek(float* out, size_t skip, size_t n) const {
  if (skip >= count) return 0;
  const size_t got = std::min(n, count - skip);
  size_t at = (head + skip) % cap;
  for (size_t i = 0; i < got;) {
    const size_t run = std::min(got - i, cap - at);
    std::memcpy(out + i * 2, &ring[at * 2], run * 2 * sizeof(float));
    at = (at + run) % cap;
    i += run;
  }
  return got;
}

void MixChanged(Device& dev) {
  if (dev.pulse) dev.pulse->Wake();
}

size_t PreviewMix(Device& dev, float* out, size_t skip, size_t frames) {
  // Only as far as every playing channel has audio ready: past that the mix is not known yet.
  size_t n = frames;
  for (Channel* ch : dev.playing) {
    if (ch->state != kActivePlaying) continue;
    std::lock_guard<std::mutex> al(ch->aheadMutex);
    if (ch->ahead.end) continue;
    n = std::min(n, ch->ahead.count > skip ? ch->ahead.count - skip : 0);
  }
  std::memset(out, 0, n * 2 * sizeof(float));
  for (Channel* ch : dev.playing) {
    if (ch->state != kActivePlaying) continue;  // paused and stopped channels only slide silently
    // The volume as MixChannel would have it, slide steps included (same arithmetic).
    float v = ch->vol;
    int64_t left = ch->slideLeft;
    bool stops = false;
    auto step = [&] {
      if (left > 0) {
        v = float(double(v) + ch->volStep);
        if (--left == 0) {
          v = ch->volTarget;
          stops = ch->stopAfterSlide;
        }
      }
    };
    for (size_t i = 0; i < skip && !stops; ++i) step();
    const float* b = ch->buf.data();
    for (size_t done = 0; done < n && !stops;) {
      size_t run;
      {
        std::lock_guard<std::mutex> al(ch->aheadMutex);
        run = ch->ahead.Peek(ch->buf.data(), skip + done, std::min(n - done, kBlockFrames));
      }
      if (run == 0) break;  // the channel's last frame
      for (size_t i = 0; i < run; ++i) {
        step();
        out[2 * (done + i)] += b[2 * i] * v;
        out[2 * (done + i) + 1] += b[2 * i + 1] * v;
      }
      done += run;
    }
  }
  return n;
}

bool FillAhead(Channel& ch, size_t target, bool wait) {
  for (;;) {
    size_t room;
    {
      std::lock_guard<std::mutex> al(ch.aheadMutex);
      if (ch.ahead.end || ch.ahead.count >= target) return true;
      room = std::min(target - ch.ahead.count, ch.ahead.Room());
    }
    const size_t want = std::min(room, kBlockFrames);
    float* block = ch.render.data();
    const size_t got = Produce(ch, block, want, wait);
    for (auto& fx : ch.fx) fx->effect->Process(block, got);
    const int64_t pos = ProducedPosition(ch);
    std::lock_guard<std::mutex> al(ch.aheadMutex);
    if (got) ch.ahead.Push(block, got, pos);
    if (got < want) {
      if (ch.sourceDone) ch.ahead.end = true;
      return ch.sourceDone;
    }
  }
}

void RestartAhead(Channel& ch, int64_t pos) {
  {
    std::lock_guard<std::mutex> al(ch.aheadMutex);
    ch.ahead.Reset(pos);
  }
  Device* dev = DeviceOf(ch);
  // A channel outside the mix is primed when it starts to play: a track set up with its
  // position, tempo and effects one after another renders once, not after each of them.
  if (!dev || !dev->renderAhead || !ch.inMixList) return;
  // The device hears the new audio in its next period instead of waiting for the render thread.
  FillAhead(ch, kPrimeFrames, !ch.src->IsNetwork());
  dev->WakeRenderer();
  MixChanged(*dev);
}

void MixDevice(Device& dev, float* out, size_t frames, bool waitForFiles) {
  std::lock_guard<std::mutex> lk(dev.mutex);
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min(kBlockFrames, frames - done);
    float* mix = out + done * 2;
    std::memset(mix, 0, n * 2 * sizeof(float));
    for (Channel* ch : dev.playing) MixChannel(dev, *ch, mix, n, waitForFiles);
    done += n;
  }
  // Stopped channels leave the mix (no allocation: erase only moves pointers).
  auto keep = std::remove_if(dev.playing.begin(), dev.playing.end(), [](Channel* ch) {
    if (ch->state == kActiveStopped && ch->slideLeft == 0) {
      ch->inMixList = false;
      return true;
    }
    return false;
  });
  dev.playing.erase(keep, dev.playing.end());
  if (dev.renderAhead) {
    const bool busy = MixBusy(dev);
    if (!busy && !dev.idleNoted) dev.WakeRenderer();  // it closes the stream if it stays quiet
    dev.idleNoted = !busy;
  }
}

void Device::WakeRenderer() {
  {
    std::lock_guard<std::mutex> lk(wakeMutex);
    if (wake) return;
    wake = true;
  }
  wakeCv.notify_one();
}

namespace {

void SdlCallback(void* userdata, Uint8* stream, int len);

// streamMutex held.
bool OpenStream(Device& d) {
  SDL_AudioSpec want{}, have{};
  want.freq = kOutRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kSdlBufferFrames;
  want.callback = SdlCallback;
  want.userdata = &d;
  d.sdlId = SDL_OpenAudioDevice(d.name.c_str(), 0, &want, &have, 0);
  if (d.sdlId == 0) return false;
  SDL_PauseAudioDevice(d.sdlId, 0);
  return true;
}

// Closes the stream unless a channel started to play meanwhile.
void CloseIdleStream(Device& dev) {
  std::lock_guard<std::mutex> sl(dev.streamMutex);
  {
    std::lock_guard<std::mutex> lk(dev.mutex);
    if (MixBusy(dev)) return;
    dev.idleNoted = false;  // the next quiet period after a reopen is noted again
  }
  if (dev.pulse) {
    dev.pulse->SetIdle(true);
  } else if (dev.sdlId) {
    SDL_CloseAudioDevice(dev.sdlId);
    dev.sdlId = 0;
  }
}

// Keeps every playing channel of a live device rendered kAheadFrames ahead. Sleeps while they
// are full; the mixer wakes it as it takes audio, and when the mix goes quiet.
void RenderLoop(Device* dev) {
  platform::RaiseThreadPriority();
  // Held here rather than looked up in the registry: closing a device holds the registry lock
  // while it waits for this thread.
  std::vector<std::shared_ptr<Channel>> channels;
  channels.reserve(64);
  bool starved = false;
  bool quiet = false;
  for (;;) {
    bool timedOut = false;
    {
      std::unique_lock<std::mutex> lk(dev->wakeMutex);
      auto ready = [&] { return dev->wake || dev->stopRenderer; };
      // A starved source (a network stream) is looked at again soon without a wake-up.
      if (starved) dev->wakeCv.wait_for(lk, std::chrono::milliseconds(10), ready);
      else if (quiet) timedOut = !dev->wakeCv.wait_for(lk, kIdleClose, ready);
      else dev->wakeCv.wait(lk, ready);
      if (dev->stopRenderer) return;
      dev->wake = false;
    }
    bool busy;
    {
      std::lock_guard<std::mutex> lk(dev->mutex);
      for (Channel* ch : dev->playing)
        if (ch->state == kActivePlaying) channels.push_back(ch->shared_from_this());
      busy = MixBusy(*dev);
    }
    if (!busy) {
      if (quiet && timedOut) {
        CloseIdleStream(*dev);
        quiet = false;
      } else {
        quiet = true;
      }
      starved = false;
      channels.clear();
      continue;
    }
    quiet = false;
    starved = false;
    for (auto& ch : channels) {
      std::lock_guard<std::mutex> rl(ch->renderMutex);
      if (!FillAhead(*ch, dev->aheadFrames, false)) starved = true;
    }
    channels.clear();
  }
}

void StopRenderer(Device& dev) {
  if (!dev.renderer.joinable()) return;
  {
    std::lock_guard<std::mutex> lk(dev.wakeMutex);
    dev.stopRenderer = true;
  }
  dev.wakeCv.notify_one();
  dev.renderer.join();
}

void CloseDevice(Device& dev) {
  if (!dev.open) return;
  StopRenderer(dev);
  {
    std::lock_guard<std::mutex> sl(dev.streamMutex);
    dev.streamWanted = false;
    std::shared_ptr<PulseOut> pulse;
    {
      std::lock_guard<std::mutex> lk(dev.mutex);
      pulse.swap(dev.pulse);
    }
    pulse.reset();  // waits for its writer, which takes the mix lock
    if (dev.sdlId) {
      SDL_CloseAudioDevice(dev.sdlId);  // waits for a running callback
      dev.sdlId = 0;
    }
  }
  if (dev.pacer.joinable()) {
    dev.stopPacer.store(true);
    dev.pacer.join();
  }
  dev.open = false;
  dev.manualLost = false;
}

// Frees every channel on a device (all channels when dev is null).
void FreeChannelsOf(int device, bool all) {
  std::vector<uint32_t> handles;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    for (auto& [h, ch] : r.channels)
      if (all || ch->device == device) handles.push_back(h);
  }
  for (uint32_t h : handles) FreeChannelHandle(h);
}

}  // namespace

void EnsureStream(Device& dev) {
  if (!dev.renderAhead) return;
  std::lock_guard<std::mutex> sl(dev.streamMutex);
  if (dev.pulse) dev.pulse->SetIdle(false);
  else if (dev.sdlId == 0 && dev.streamWanted) OpenStream(dev);
}

bool FreeChannelHandle(uint32_t handle) {
  std::shared_ptr<Channel> ch;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    auto it = r.channels.find(handle);
    if (it == r.channels.end()) return Fail(kErrorHandle, false);
    ch = it->second;
    r.channels.erase(it);
    for (auto& fx : ch->fx) r.fxOwner.erase(fx->handle);
  }
  if (Device* dev = DeviceOf(*ch)) {
    std::lock_guard<std::mutex> lk(dev->mutex);
    if (ch->inMixList) MixChanged(*dev);
    dev->playing.erase(std::remove(dev->playing.begin(), dev->playing.end(), ch.get()), dev->playing.end());
    ch->inMixList = false;
    ch->state = kActiveStopped;
  }
  ch.reset();
  return Fail(kOk, true);
}

}  // namespace detail

using namespace detail;

bool UseManualBackend(const std::vector<ManualDeviceEntry>& devices) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  for (auto& d : r.devices)
    if (d->open) return Fail(kErrorAlready, false);
  r.manualBackend = true;
  r.manualEntries = devices;
  Enumerate(r);
  return Fail(kOk, true);
}

bool UseSdlBackend() {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  for (auto& d : r.devices)
    if (d->open) return Fail(kErrorAlready, false);
  r.manualBackend = false;
  r.manualEntries.clear();
  r.enumerated = false;
  r.devices.clear();
  return Fail(kOk, true);
}

bool GetDeviceInfo(int device, DeviceInfo* info) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  // Asking for the first device refreshes the list when nothing is open (devices come and go).
  if (device == 0 || !r.enumerated) Enumerate(r);
  if (device < 0 || size_t(device) >= r.devices.size() || !info) return Fail(kErrorDevice, false);
  Device& d = *r.devices[size_t(device)];
  info->name = d.name;
  info->driver = d.driver;
  // A device whose sound server went away and stays away is no longer usable, until it is back.
  bool lost = false;
  {
    std::lock_guard<std::mutex> ml(d.mutex);
    lost = d.manualLost || (d.pulse && d.pulse->Lost());
  }
  info->flags = (lost ? 0u : kDeviceEnabled) | (d.isDefault ? kDeviceDefault : 0u) | (d.open ? kDeviceInit : 0u);
  return Fail(kOk, true);
}

bool Init(int device, uint32_t freq, uint32_t flags, void* window) {
  (void)freq;  // every device mixes at 44100 Hz
  (void)flags;
  (void)window;
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  EnsureEnumerated(r);
  if (device == -1) {
    device = 0;
    for (size_t i = 1; i < r.devices.size(); ++i)
      if (r.devices[i]->isDefault) device = int(i);
  }
  if (device < 0 || size_t(device) >= r.devices.size()) return Fail(kErrorDevice, false);
  Device& d = *r.devices[size_t(device)];
  if (d.open) return Fail(kErrorAlready, false);
  d.playing.reserve(64);
  d.mix.assign(kBlockFrames * 2, 0.0f);
  if (d.manual) {
    // Pulled by ManualRender.
  } else if (d.noSound) {
    d.stopPacer.store(false);
    d.pacer = std::thread(PacerLoop, &d);
  } else {
    if (!EnsureSdlAudio()) return Fail(kErrorDriver, false);
    // On a PulseAudio server our own stream keeps a deep queue that keys can still rewrite;
    // SDL's cannot be rewritten, so it must stay short and runs dry when the machine is busy.
    std::shared_ptr<PulseOut> pulse;
    if (d.driver == "pulseaudio" && PulseWanted()) pulse = PulseOut::Open(d);
    {
      std::lock_guard<std::mutex> sl(d.streamMutex);
      if (pulse) {
        std::lock_guard<std::mutex> ml(d.mutex);
        d.pulse = pulse;
        d.aheadFrames = kAheadDeepFrames;
      } else {
        d.aheadFrames = kAheadFrames;
        if (!OpenStream(d)) return Fail(kErrorDriver, false);
      }
      d.streamWanted = true;
    }
    d.renderAhead = true;
    d.stopRenderer = false;
    d.wake = false;
    d.idleNoted = false;
    d.renderer = std::thread(RenderLoop, &d);
  }
  d.open = true;
  r.current = device;
  return Fail(kOk, true);
}

bool SetDevice(int device) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  if (device < 0 || size_t(device) >= r.devices.size()) return Fail(kErrorDevice, false);
  if (!r.devices[size_t(device)]->open) return Fail(kErrorInit, false);
  r.current = device;
  return Fail(kOk, true);
}

int GetDevice() {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  if (r.current < 0) return Fail(kErrorInit, -1);
  return Fail(kOk, r.current);
}

bool Free() {
  int device;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    device = r.current;
    if (device < 0 || !r.devices[size_t(device)]->open) return Fail(kErrorInit, false);
  }
  FreeChannelsOf(device, false);
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  CloseDevice(*r.devices[size_t(device)]);
  r.current = -1;
  for (size_t i = 0; i < r.devices.size(); ++i)
    if (r.devices[i]->open) r.current = int(i);
  return Fail(kOk, true);
}

void Shutdown() {
  WaitEventsDone(EventsPosted());
  FreeChannelsOf(-1, true);
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  for (auto& d : r.devices) CloseDevice(*d);
  r.current = -1;
  r.enumerated = false;
  r.devices.clear();
  if (g_sdlAudio) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_sdlAudio = false;
  }
  PulseShutdown();
  SetError(kOk);
}

bool SetManualDeviceLost(int device, bool lost) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  if (device < 0 || size_t(device) >= r.devices.size()) return Fail(kErrorDevice, false);
  Device& d = *r.devices[size_t(device)];
  if (!d.manual || !d.open) return Fail(kErrorInit, false);
  std::lock_guard<std::mutex> ml(d.mutex);
  d.manualLost = lost;
  return Fail(kOk, true);
}

size_t ManualRender(int device, float* out, size_t frames) {
  Device* dev = nullptr;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    if (device >= 0 && size_t(device) < r.devices.size()) dev = r.devices[size_t(device)].get();
    if (!dev) return Fail(kErrorDevice, size_t(0));
    if (!dev->manual || !dev->open || !out) return Fail(kErrorInit, size_t(0));
  }
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min(kManualBlockFrames, frames - done);
    const uint64_t before = EventsPosted();
    MixDevice(*dev, out + done * 2, n, true);
    const uint64_t after = EventsPosted();
    // Callbacks of this block run before the next one, as they would on a live device.
    if (after != before) WaitEventsDone(after);
    done += n;
  }
  return Fail(kOk, frames);
}

}  // namespace alib
