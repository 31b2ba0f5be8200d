// Inner records of the library: channels, devices, the handle registry and the event thread.
// Lock order: registry, then a device's mix lock, then a source stream's locks.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "audiolib/AudioLib.h"
#include "audiolib/SourceStream.h"
#include "audiolib/dsp/Effect.h"
#include "audiolib/dsp/Tempo.h"

namespace alib::detail {

inline constexpr size_t kBlockFrames = 1024;     // largest block mixed at once
inline constexpr size_t kManualBlockFrames = 256; // mix period of manual devices
inline constexpr int kErrorFxNoDecode = 4000;

void SetError(int code);
int GetError();
template <typename T>
T Fail(int code, T value) {
  SetError(code);
  return value;
}

struct Sync {
  uint32_t handle = 0;
  uint32_t type = 0;  // without the flag bits
  bool oneTime = false;
  int64_t param = 0;  // frames for position syncs
  SyncProc* proc = nullptr;
  void* user = nullptr;
};

struct FxEntry {
  uint32_t handle = 0;
  int type = 0;
  int priority = 0;
  std::unique_ptr<dsp::Effect> effect;
};

struct Channel {
  uint32_t handle = 0;
  int device = -1;
  bool decodeOnly = false;
  bool autoFree = false;
  std::unique_ptr<SourceStream> src;
  std::unique_ptr<dsp::TempoProcessor> tempo;  // set on tempo streams

  // Guarded by the device's mix lock (decode-only channels: by decodeMutex).
  int state = kActiveStopped;
  bool stalled = false;
  bool ended = false;
  bool tempoFlushed = false;
  bool inMixList = false;
  float vol = 1.0f;
  float volTarget = 1.0f;
  double volStep = 0.0;
  int64_t slideLeft = 0;  // frames
  bool stopAfterSlide = false;
  int64_t pos = 0;        // heard position, frames of the source
  std::vector<Sync> syncs;
  std::vector<std::unique_ptr<FxEntry>> fx;  // in processing order
  std::vector<float> buf;                    // scratch, kBlockFrames stereo
  std::vector<float> feed;                   // scratch for the tempo processor

  std::mutex decodeMutex;                    // ChannelGetData on decode-only channels
  std::map<uint32_t, std::string> tagCache;  // texts handed out by ChannelGetTags
  std::mutex tagMutex;
};

struct Device {
  std::string name;
  std::string driver;
  bool isDefault = false;
  bool manual = false;
  bool noSound = false;
  bool open = false;

  std::mutex mutex;                // the mix lock
  std::vector<Channel*> playing;   // channels playing or paused
  std::vector<float> mix;          // scratch
  uint32_t sdlId = 0;
  std::thread pacer;               // "No sound" devices mix on their own clock
  std::atomic<bool> stopPacer{false};
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<uint32_t, std::shared_ptr<Channel>> channels;
  std::unordered_map<uint32_t, uint32_t> fxOwner;  // fx handle -> channel handle
  uint32_t nextHandle = 0x10001;
  std::vector<std::unique_ptr<Device>> devices;
  bool enumerated = false;
  bool manualBackend = false;
  std::vector<ManualDeviceEntry> manualEntries;
  int current = -1;
  // Configuration.
  std::string agent = "alib/1.0";
  uint32_t netTimeoutMs = 5000;
  uint32_t netReadTimeoutMs = 10000;
  uint32_t netBufferMs = 5000;
  uint32_t netPlaylist = 0;
  uint32_t unicode = 0;

  uint32_t NewHandle() {
    uint32_t h = nextHandle++;
    if (nextHandle == 0) nextHandle = 0x10001;
    return h;
  }
};

Registry& Reg();
std::shared_ptr<Channel> FindChannel(uint32_t handle);  // sets kErrorHandle when absent
Device* DeviceOf(const Channel& ch);                     // null for decode-only channels without a device

// Mixes frames into out on the device's thread (or the caller's, for manual devices).
// Returns the number of events posted, for manual renders to wait on.
void MixDevice(Device& dev, float* out, size_t frames, bool waitForFiles);
// Frees a channel: out of the registry, out of its device, decoder stopped.
bool FreeChannelHandle(uint32_t handle);
// Produces up to frames frames of a channel's audio (source or tempo) into out.
size_t Produce(Channel& ch, float* out, size_t frames, bool wait);
void UpdateHeardPosition(Channel& ch);

// The library's event thread: runs sync callbacks and deferred frees in order.
struct Event {
  enum Kind : uint8_t { kCallback, kFree } kind = kCallback;
  SyncProc* proc = nullptr;
  uint32_t sync = 0, channel = 0, data = 0;
  void* user = nullptr;
};
void PostEvent(const Event& ev);     // never allocates; may be called under a mix lock
uint64_t EventsPosted();
void WaitEventsDone(uint64_t upTo);  // waits until events up to this count have run
void StopEventThread();

}  // namespace alib::detail
