// Inner records of the library: channels, devices, the handle registry and the event thread.
// Lock order: registry, then a device's mix lock, then a channel's render lock, then its ahead
// lock, then a source stream's locks. A device's stream lock comes before its mix lock. The
// PulseAudio client lock (PulseOut.cpp) is taken last and nothing is taken under it.
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
// Live devices mix from audio rendered ahead by their render thread, so decoding, tempo and
// effects never run in the device callback. The depth rides out a busy machine; changes that
// must be heard at once (seeks, effects, tempo) re-render from the heard position.
inline constexpr size_t kAheadFrames = 6144;      // about 140 ms kept ready
// Devices whose server queue is deep keep as much ready as the queue holds, plus a margin.
inline constexpr size_t kAheadDeepFrames = 14336;
inline constexpr size_t kAheadCapFrames = 16384;
inline constexpr size_t kPrimeFrames = 1024;      // rendered by the caller before a seek or play returns
inline constexpr size_t kAheadMarks = 64;

// Audio of one channel that is rendered (source, tempo, effects) but not yet mixed (volume).
// Guarded by the channel's aheadMutex; the mixer only copies out of it.
struct AheadRing {
  struct Mark {
    uint64_t end;  // frames written since the last reset when this block ended
    int64_t pos;   // source position heard once that frame is played
  };
  std::vector<float> ring;  // stereo
  size_t cap = 0, head = 0, count = 0;  // frames
  std::vector<Mark> marks;
  size_t markHead = 0, markCount = 0;
  uint64_t written = 0, taken = 0;
  uint64_t prevEnd = 0;  // the last mark passed by the mixer
  int64_t prevPos = 0;
  bool end = false;  // the stream's last frame is in the ring

  void Allocate() {
    ring.assign(kAheadCapFrames * 2, 0.0f);
    cap = kAheadCapFrames;
    marks.assign(kAheadMarks, Mark{0, 0});
  }
  void Reset(int64_t pos) {
    head = count = markHead = markCount = 0;
    written = taken = prevEnd = 0;
    prevPos = pos;
    end = false;
  }
  size_t Room() const { return cap - count; }
  // Appends frames that end at source position pos. Never allocates.
  void Push(const float* in, size_t n, int64_t pos);
  // Takes up to n frames; gives the heard source position after them.
  size_t Take(float* out, size_t n, int64_t& pos);
  // Copies up to n frames that follow the first skip ones, taking nothing.
  size_t Peek(float* out, size_t skip, size_t n) const;
};

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

struct Channel : std::enable_shared_from_this<Channel> {
  uint32_t handle = 0;
  int device = -1;
  bool decodeOnly = false;
  bool autoFree = false;
  std::unique_ptr<SourceStream> src;
  std::unique_ptr<dsp::TempoProcessor> tempo;  // set on tempo streams

  // Guarded by renderMutex: reading the source, the tempo stage and the effects.
  std::mutex renderMutex;
  bool sourceDone = false;   // everything the source holds has been rendered
  bool tempoFlushed = false;
  std::vector<float> feed;   // scratch for the tempo processor
  std::vector<float> render; // scratch, kBlockFrames stereo
  std::vector<std::unique_ptr<FxEntry>> fx;  // in processing order

  std::mutex aheadMutex;
  AheadRing ahead;  // channels on a device; decode-only channels read their source directly

  // Guarded by the device's mix lock (decode-only channels: by decodeMutex).
  int state = kActiveStopped;
  bool stalled = false;
  bool ended = false;        // the last frame was heard
  bool inMixList = false;
  bool heardSince = false;   // audio was heard since the last play or seek
  uint32_t underruns = 0;    // times the mix ran out of audio while playing
  float vol = 1.0f;
  float volTarget = 1.0f;
  double volStep = 0.0;
  int64_t slideLeft = 0;  // frames
  bool stopAfterSlide = false;
  int64_t pos = 0;        // heard position, frames of the source
  std::vector<Sync> syncs;
  std::vector<float> buf;                    // scratch, kBlockFrames stereo

  std::mutex decodeMutex;                    // ChannelGetData on decode-only channels
  std::map<uint32_t, std::string> tagCache;  // texts handed out by ChannelGetTags
  std::mutex tagMutex;
};

class PulseOut;

struct Device {
  std::string name;
  std::string driver;
  bool isDefault = false;
  bool manual = false;
  bool noSound = false;
  bool open = false;
  bool manualLost = false;  // mix lock: a manual device acting as lost

  std::mutex mutex;                // the mix lock
  std::vector<Channel*> playing;   // channels playing or paused
  std::vector<float> mix;          // scratch
  // A live device's stream is closed while nothing plays (no thread wakes to mix silence) and
  // opened again when a channel joins the mix. Taken without the mix lock: closing waits for
  // the callback, which takes the mix lock.
  std::mutex streamMutex;
  uint32_t sdlId = 0;        // guarded by streamMutex
  bool streamWanted = false; // guarded by streamMutex: the device is open
  bool idleNoted = false;    // mix lock: the render thread was told the mix went quiet
  // Set while the device plays through its own PulseAudio stream instead of SDL; written under
  // both the stream lock and the mix lock, so either is enough to read it.
  std::shared_ptr<PulseOut> pulse;
  std::thread pacer;               // "No sound" devices mix on their own clock
  std::atomic<bool> stopPacer{false};

  // Live devices render ahead on their own thread; manual and silent devices render in the mix.
  bool renderAhead = false;
  size_t aheadFrames = kAheadFrames;  // kept ready per playing channel
  std::thread renderer;
  std::mutex wakeMutex;
  std::condition_variable wakeCv;
  bool wake = false;
  bool stopRenderer = false;
  void WakeRenderer();
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
// Opens the stream of a live device again if it was closed while idle; without the mix lock.
void EnsureStream(Device& dev);
// What the mix will play from now on has changed (a channel joined, left, paused, was moved or
// re-rendered, or its volume changed): devices that queue audio ahead write it again. Mix lock held.
void MixChanged(Device& dev);
// What MixDevice would give after its next skip frames if nothing changed, without moving
// anything (positions, slides, syncs, the rings); mix lock held. Stops early where a playing
// channel has nothing rendered yet. Returns the frames written to out.
size_t PreviewMix(Device& dev, float* out, size_t skip, size_t frames);
// Frees a channel: out of the registry, out of its device, decoder stopped.
bool FreeChannelHandle(uint32_t handle);
// Produces up to frames frames of a channel's audio (source or tempo) into out; render lock held.
size_t Produce(Channel& ch, float* out, size_t frames, bool wait);
// Source position heard once everything produced so far is played; render lock held.
int64_t ProducedPosition(Channel& ch);
// Renders a channel until target frames are ready (fewer when its source starves or ends);
// render lock held. False when the source starved.
bool FillAhead(Channel& ch, size_t target, bool wait);
// After a seek or a change of tempo or effects: drops what was rendered ahead and renders again
// from pos (both locks of the channel held). Devices with a render thread get a primed start
// when the channel is in the mix; others are primed as they start to play.
void RestartAhead(Channel& ch, int64_t pos);

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
