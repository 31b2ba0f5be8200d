// Output devices (SDL2, manual test devices, the silent "No sound" device) and the mixer.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "audiolib/Core.h"

namespace alib {

namespace detail {

namespace {

constexpr int kSdlBufferFrames = 512;  // about 12 ms: attribute changes are heard quickly

bool g_sdlAudio = false;

bool EnsureSdlAudio() {
  if (g_sdlAudio) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
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
    SDL_AudioSpec spec{};
    bool marked = false;
    if (SDL_GetDefaultAudioInfo(&defName, &spec, 0) == 0 && defName) {
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
void MixChannel(Channel& ch, float* mix, size_t n, bool waitForFiles) {
  const bool playing = ch.state == kActivePlaying;
  size_t got = 0;
  if (playing) {
    got = Produce(ch, ch.buf.data(), n, waitForFiles && !ch.src->IsNetwork());
    for (auto& fx : ch.fx) fx->effect->Process(ch.buf.data(), got);
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
    UpdateHeardPosition(ch);
    FirePositionSyncs(ch, before, ch.pos);
    uint32_t tagEvents = ch.src->TakeTagEvents(ch.pos);
    if (tagEvents & kTagEventMeta) FireSyncs(ch, kSyncMeta, 0);
    if (tagEvents & kTagEventOgg) FireSyncs(ch, kSyncOggChange, 0);
    if (got < n) {
      if (ch.ended) {
        FireSyncs(ch, kSyncEnd, 0);
        StopAndMaybeFree(ch);
      } else {
        ch.stalled = true;
      }
    } else {
      ch.stalled = false;
    }
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

size_t Produce(Channel& ch, float* out, size_t frames, bool wait) {
  if (!ch.tempo) {
    size_t got = ch.src->Read(out, frames, wait);
    if (got < frames && ch.src->AtEnd()) ch.ended = true;
    return got;
  }
  size_t got = 0;
  while (got < frames) {
    got += ch.tempo->Receive(out + got * 2, frames - got);
    if (got == frames) break;
    if (ch.tempoFlushed) {
      ch.ended = true;
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

void UpdateHeardPosition(Channel& ch) {
  int64_t p = ch.src->ReadPos();
  if (ch.tempo) p -= std::llround(ch.tempo->SourceFramesInside());
  if (p < 0) p = 0;
  const int64_t len = ch.src->LengthFrames();
  if (len >= 0 && p > len && !ch.ended) p = len;
  // The tempo stage's estimate of what it holds wobbles; heard positions only move forward
  // between seeks, so a position sync cannot fire twice.
  if (p > ch.pos) ch.pos = p;
}

void MixDevice(Device& dev, float* out, size_t frames, bool waitForFiles) {
  std::lock_guard<std::mutex> lk(dev.mutex);
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min(kBlockFrames, frames - done);
    float* mix = out + done * 2;
    std::memset(mix, 0, n * 2 * sizeof(float));
    for (Channel* ch : dev.playing) MixChannel(*ch, mix, n, waitForFiles);
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
}

namespace {

void CloseDevice(Device& dev) {
  if (!dev.open) return;
  if (dev.sdlId) {
    SDL_CloseAudioDevice(dev.sdlId);  // waits for a running callback
    dev.sdlId = 0;
  }
  if (dev.pacer.joinable()) {
    dev.stopPacer.store(true);
    dev.pacer.join();
  }
  dev.open = false;
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
  const Device& d = *r.devices[size_t(device)];
  info->name = d.name;
  info->driver = d.driver;
  info->flags = kDeviceEnabled | (d.isDefault ? kDeviceDefault : 0u) | (d.open ? kDeviceInit : 0u);
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
    SDL_AudioSpec want{}, have{};
    want.freq = kOutRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kSdlBufferFrames;
    want.callback = SdlCallback;
    want.userdata = &d;
    d.sdlId = SDL_OpenAudioDevice(d.name.c_str(), 0, &want, &have, 0);
    if (d.sdlId == 0) return Fail(kErrorDriver, false);
    SDL_PauseAudioDevice(d.sdlId, 0);
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
  SetError(kOk);
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
