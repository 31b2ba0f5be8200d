// Streams and channels: creation, playing, attributes, slides, positions, syncs, effects, tags.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "audiolib/Core.h"

namespace alib {

namespace detail {

namespace {

constexpr size_t kFileRingFrames = 65536;  // about 1.5 s decoded ahead

// Locks what guards a channel's play state: its device's mix lock, or its own for decode-only ones.
class ChanLock {
 public:
  explicit ChanLock(Channel& ch) {
    Device* d = DeviceOf(ch);
    lk_ = std::unique_lock<std::mutex>(d ? d->mutex : ch.decodeMutex);
  }

 private:
  std::unique_lock<std::mutex> lk_;
};

bool IsNetworkUrl(const std::string& url, std::string& fixed) {
  auto starts = [&](const char* p) {
    size_t n = std::strlen(p);
    if (url.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (std::tolower(static_cast<unsigned char>(url[i])) != p[i]) return false;
    return true;
  };
  fixed = url;
  if (starts("itpc://")) {
    fixed = "http://" + url.substr(7);  // podcast links are plain http
    return true;
  }
  return starts("http://") || starts("https://") || starts("ftp://");
}

uint32_t Register(std::shared_ptr<Channel> ch) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  ch->handle = r.NewHandle();
  uint32_t h = ch->handle;
  r.channels.emplace(h, std::move(ch));
  return h;
}

// Device for a new playable stream: the current one, which must be open.
bool CurrentDevice(int& device) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  if (r.current < 0 || size_t(r.current) >= r.devices.size() || !r.devices[size_t(r.current)]->open)
    return false;
  device = r.current;
  return true;
}

uint32_t CreateStream(const std::string& location, bool network, uint32_t flags,
                      const std::atomic<bool>* cancel = nullptr) {
  const bool decode = (flags & kStreamDecode) != 0;
  int device = -1;
  if (!decode && !CurrentDevice(device)) return Fail(kErrorInit, 0u);
  NetOptions net;
  size_t ringFrames = kFileRingFrames;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    net.agent = r.agent;
    net.connectTimeoutMs = int(r.netTimeoutMs);
    net.readTimeoutMs = int(r.netReadTimeoutMs);
    if (network) ringFrames = size_t(r.netBufferMs) * kOutRate / 1000;
  }
  bool followPlaylists;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    followPlaylists = r.netPlaylist != 0;
  }
  auto abort = std::make_unique<std::atomic<bool>>(false);
  auto dec = std::make_unique<Decoder>();
  int rc = dec->Open(location, network, net, abort.get(), cancel);
  if (rc == kErrorFileForm && network && followPlaylists) {
    // A radio link is often a playlist naming the stream; follow it, two levels at most.
    std::string at = location, link;
    for (int depth = 0; depth < 2 && rc == kErrorFileForm; ++depth) {
      if (!PlaylistFirstLink(at, net, abort.get(), cancel, link)) break;
      at = link;
      dec = std::make_unique<Decoder>();
      rc = dec->Open(at, true, net, abort.get(), cancel);
    }
  }
  if (cancel && cancel->load()) rc = kErrorTimeout;
  if (rc != kOk) return Fail(rc, 0u);
  auto ch = std::make_shared<Channel>();
  ch->device = device;
  ch->decodeOnly = decode;
  ch->autoFree = (flags & kStreamAutoFree) != 0 && !decode;
  ch->src = std::make_unique<SourceStream>(std::move(dec), std::move(abort), network, ringFrames);
  ch->render.assign(kBlockFrames * 2, 0.0f);
  if (!decode) {
    ch->buf.assign(kBlockFrames * 2, 0.0f);
    ch->ahead.Allocate();
  }
  ch->syncs.reserve(16);
  return Fail(kOk, Register(std::move(ch)));
}

bool AddToMix(Channel& ch) {
  Device* d = DeviceOf(ch);
  if (!d || !d->open) return false;
  if (!ch.inMixList) {
    d->playing.push_back(&ch);
    ch.inMixList = true;
  }
  return true;
}

// Channel lock held.
bool SeekLocked(Channel& ch, int64_t frame) {
  std::lock_guard<std::mutex> rl(ch.renderMutex);
  if (!ch.src->Seek(frame)) return false;
  if (ch.tempo) ch.tempo->Clear();
  ch.tempoFlushed = false;
  ch.sourceDone = false;
  ch.ended = false;
  ch.heardSince = false;
  ch.pos = frame;
  if (!ch.decodeOnly) RestartAhead(ch, frame);
  return true;
}

// Channel lock held.
bool PlayLocked(Channel& chan, Device& dev, bool restart) {
  Channel* ch = &chan;
  Device* d = &dev;
  if (restart || ch->ended) {
    // A stream that ended starts again from the beginning; live streams cannot.
    if (ch->src->Seekable()) {
      if (!SeekLocked(*ch, 0)) return Fail(kErrorPosition, false);
    } else if (ch->ended) {
      return Fail(kErrorEnded, false);
    }
  }
  ch->src->Start();
  if (d->renderAhead) {
    // Primed before it joins the mix: the first period already carries sound.
    std::lock_guard<std::mutex> rl(ch->renderMutex);
    FillAhead(*ch, kPrimeFrames, !ch->src->IsNetwork());
    d->WakeRenderer();
  }
  ch->state = kActivePlaying;
  AddToMix(*ch);
  MixChanged(*d);
  return true;
}

// Channel and render locks held. A change of tempo or effects is heard at once: what was
// rendered ahead with the old settings is dropped and rendered again from the heard position.
// Live streams cannot go back; they hear the change once the audio ahead is played.
void RenderAgainFromHeard(Channel& ch) {
  if (ch.decodeOnly || !ch.src->Seekable()) return;
  {
    std::lock_guard<std::mutex> al(ch.aheadMutex);
    if (ch.ahead.count == 0) return;
  }
  if (!ch.src->Seek(ch.pos)) return;
  if (ch.tempo) ch.tempo->Clear();
  ch.tempoFlushed = false;
  ch.sourceDone = false;
  RestartAhead(ch, ch.pos);
}

}  // namespace

}  // namespace detail

using namespace detail;

uint32_t StreamCreateFile(bool mem, const char* path, uint64_t offset, uint64_t length, uint32_t flags) {
  if (mem || offset != 0 || length != 0) return Fail(kErrorNotAvail, 0u);
  if (!path || !*path) return Fail(kErrorFileOpen, 0u);
  return CreateStream(path, false, flags);
}

uint32_t StreamCreateURL(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user) {
  (void)user;
  if (proc || offset != 0) return Fail(kErrorNotAvail, 0u);
  if (!url) return Fail(kErrorFileOpen, 0u);
  std::string fixed;
  if (!IsNetworkUrl(url, fixed)) return Fail(kErrorFileOpen, 0u);
  return CreateStream(fixed, true, flags);
}

uint32_t StreamCreateURLCancelable(const char* url, uint32_t flags, const std::atomic<bool>* cancel) {
  if (!url) return Fail(kErrorFileOpen, 0u);
  std::string fixed;
  if (!IsNetworkUrl(url, fixed)) return Fail(kErrorFileOpen, 0u);
  return CreateStream(fixed, true, flags, cancel);
}

bool StreamFree(uint32_t handle) { return FreeChannelHandle(handle); }

uint32_t TempoCreate(uint32_t source, uint32_t flags) {
  std::shared_ptr<Channel> srcCh = FindChannel(source);
  if (!srcCh) return 0;
  if (!srcCh->decodeOnly || srcCh->tempo) return Fail(kErrorFxNoDecode, 0u);
  const bool decode = (flags & kStreamDecode) != 0;
  int device = -1;
  if (!decode && !CurrentDevice(device)) return Fail(kErrorInit, 0u);
  auto ch = std::make_shared<Channel>();
  ch->device = device;
  ch->decodeOnly = decode;
  ch->autoFree = (flags & kStreamAutoFree) != 0 && !decode;
  ch->render.assign(kBlockFrames * 2, 0.0f);
  if (!decode) {
    ch->buf.assign(kBlockFrames * 2, 0.0f);
    ch->ahead.Allocate();
  }
  ch->syncs.reserve(16);
  ch->tempo = std::make_unique<dsp::TempoProcessor>(kOutRate);
  ch->feed.assign(kBlockFrames * 2, 0.0f);  // sized here: rendering never allocates
  {
    // The tempo stream takes the source over; the source handle ends here.
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    auto it = r.channels.find(source);
    if (it == r.channels.end()) return Fail(kErrorHandle, 0u);
    std::lock_guard<std::mutex> dl(srcCh->decodeMutex);
    ch->src = std::move(srcCh->src);
    ch->pos = ch->src->ReadPos();
    ch->ahead.Reset(ch->pos);
    for (auto& fx : srcCh->fx) r.fxOwner.erase(fx->handle);
    r.channels.erase(it);
  }
  return Fail(kOk, Register(std::move(ch)));
}

bool ChannelPlay(uint32_t handle, bool restart) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (ch->decodeOnly) return Fail(kErrorDecode, false);
  Device* d = DeviceOf(*ch);
  if (!d || !d->open) return Fail(kErrorInit, false);
  {
    ChanLock lk(*ch);
    if (!PlayLocked(*ch, *d, restart)) return false;
  }
  EnsureStream(*d);
  return Fail(kOk, true);
}


bool ChannelPause(uint32_t handle) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (ch->decodeOnly) return Fail(kErrorDecode, false);
  ChanLock lk(*ch);
  if (ch->state == kActivePaused) return Fail(kErrorAlready, false);
  if (ch->state != kActivePlaying) return Fail(kErrorNoPlay, false);
  ch->state = kActivePaused;
  if (Device* d = DeviceOf(*ch)) MixChanged(*d);
  return Fail(kOk, true);
}

bool ChannelStop(uint32_t handle) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  bool autoFree;
  {
    ChanLock lk(*ch);
    ch->state = kActiveStopped;
    ch->stalled = false;
    ch->slideLeft = 0;
    autoFree = ch->autoFree;
    if (Device* d = DeviceOf(*ch)) MixChanged(*d);
  }
  if (autoFree) FreeChannelHandle(handle);
  return Fail(kOk, true);
}

int ChannelIsActive(uint32_t handle) {
  auto ch = FindChannel(handle);
  if (!ch) return kActiveStopped;
  SetError(kOk);
  if (ch->decodeOnly) {
    std::lock_guard<std::mutex> lk(ch->decodeMutex);
    return ch->ended ? kActiveStopped : kActivePlaying;
  }
  ChanLock lk(*ch);
  if (ch->state == kActivePlaying && ch->stalled) return kActiveStalled;
  return ch->state;
}

uint32_t ChannelGetUnderruns(uint32_t handle) {
  auto ch = FindChannel(handle);
  if (!ch) return 0;
  ChanLock lk(*ch);
  return Fail(kOk, ch->underruns);
}

int ChannelGetDevice(uint32_t handle) {
  auto ch = FindChannel(handle);
  if (!ch) return -1;
  if (ch->device < 0) return Fail(kErrorNoPlay, -1);
  return Fail(kOk, ch->device);
}

bool ChannelSetAttribute(uint32_t handle, uint32_t attrib, float value) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (!std::isfinite(value)) return Fail(kErrorIllParam, false);
  ChanLock lk(*ch);
  switch (attrib) {
    case kAttribVol:
      ch->vol = std::clamp(value, 0.0f, 1.0f);
      ch->slideLeft = 0;  // setting a value ends a running slide
      ch->stopAfterSlide = false;
      if (Device* d = DeviceOf(*ch)) MixChanged(*d);
      break;
    case kAttribTempo:
    case kAttribTempoPitch: {
      if (!ch->tempo) return Fail(kErrorIllType, false);
      std::lock_guard<std::mutex> rl(ch->renderMutex);
      if (attrib == kAttribTempo) ch->tempo->SetTempo(std::clamp(value, -95.0f, 5000.0f));
      else ch->tempo->SetPitch(std::clamp(value, -60.0f, 60.0f));
      RenderAgainFromHeard(*ch);
      break;
    }
    default: return Fail(kErrorIllType, false);
  }
  return Fail(kOk, true);
}

bool ChannelGetAttribute(uint32_t handle, uint32_t attrib, float* value) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (!value) return Fail(kErrorIllParam, false);
  ChanLock lk(*ch);
  std::lock_guard<std::mutex> rl(ch->renderMutex);
  switch (attrib) {
    case kAttribVol: *value = ch->vol; break;
    case kAttribTempo:
      if (!ch->tempo) return Fail(kErrorIllType, false);
      *value = ch->tempo->Tempo();
      break;
    case kAttribTempoPitch:
      if (!ch->tempo) return Fail(kErrorIllType, false);
      *value = ch->tempo->Pitch();
      break;
    default: return Fail(kErrorIllType, false);
  }
  return Fail(kOk, true);
}

bool ChannelSlideAttribute(uint32_t handle, uint32_t attrib, float value, uint32_t timeMs) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (attrib != kAttribVol) return Fail(kErrorIllType, false);
  if (!std::isfinite(value)) return Fail(kErrorIllParam, false);
  if (ch->decodeOnly) return Fail(kErrorDecode, false);
  {
    ChanLock lk(*ch);
    const bool stopAfter = value < 0;
    const float target = stopAfter ? 0.0f : std::min(value, 1.0f);
    int64_t frames = std::max<int64_t>(1, int64_t(timeMs) * kOutRate / 1000);
    ch->volTarget = target;
    ch->volStep = (double(target) - ch->vol) / double(frames);
    ch->slideLeft = frames;
    ch->stopAfterSlide = stopAfter;
    // A slide runs in device time, so a stopped channel needs its place in the mix too.
    AddToMix(*ch);
    if (Device* d = DeviceOf(*ch)) MixChanged(*d);
  }
  if (Device* d = DeviceOf(*ch)) EnsureStream(*d);
  return Fail(kOk, true);
}

bool ChannelIsSliding(uint32_t handle, uint32_t attrib) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  ChanLock lk(*ch);
  SetError(kOk);
  return (attrib == kAttribVol || attrib == 0) && ch->slideLeft > 0;
}

int64_t ChannelGetLength(uint32_t handle, uint32_t mode) {
  auto ch = FindChannel(handle);
  if (!ch) return -1;
  if (mode != kPosByte) return Fail(kErrorNotAvail, int64_t(-1));
  const int64_t len = ch->src->LengthFrames();
  if (len < 0) return Fail(kErrorNotAvail, int64_t(-1));
  return Fail(kOk, len * 8);
}

int64_t ChannelGetPosition(uint32_t handle, uint32_t mode) {
  auto ch = FindChannel(handle);
  if (!ch) return -1;
  if (mode != kPosByte) return Fail(kErrorNotAvail, int64_t(-1));
  ChanLock lk(*ch);
  if (ch->decodeOnly && !ch->tempo) return Fail(kOk, ch->src->ReadPos() * 8);
  return Fail(kOk, ch->pos * 8);
}

bool ChannelSetPosition(uint32_t handle, int64_t pos, uint32_t mode) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  if (mode != kPosByte) return Fail(kErrorNotAvail, false);
  if (!ch->src->Seekable() || pos < 0) return Fail(kErrorPosition, false);
  const int64_t frame = pos / 8;
  if (frame > ch->src->LengthFrames()) return Fail(kErrorPosition, false);
  ChanLock lk(*ch);
  if (!SeekLocked(*ch, frame)) return Fail(kErrorPosition, false);
  return Fail(kOk, true);
}

double ChannelBytes2Seconds(uint32_t handle, int64_t bytes) {
  auto ch = FindChannel(handle);
  if (!ch) return -1.0;
  if (bytes < 0) return Fail(kErrorIllParam, -1.0);
  return Fail(kOk, double(bytes / 8) / kOutRate);
}

int64_t ChannelSeconds2Bytes(uint32_t handle, double seconds) {
  auto ch = FindChannel(handle);
  if (!ch) return -1;
  if (!std::isfinite(seconds) || seconds < 0) return Fail(kErrorIllParam, int64_t(-1));
  return Fail(kOk, int64_t(seconds * kOutRate) * 8);
}

uint32_t ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
  auto ch = FindChannel(handle);
  if (!ch) return 0xFFFFFFFFu;
  if (!ch->decodeOnly) return Fail(kErrorNotAvail, 0xFFFFFFFFu);
  if (!buffer) return Fail(kErrorIllParam, 0xFFFFFFFFu);
  std::lock_guard<std::mutex> lk(ch->decodeMutex);
  std::lock_guard<std::mutex> rl(ch->renderMutex);
  float* out = static_cast<float*>(buffer);
  size_t want = length / 8;
  size_t got = 0;
  while (got < want) {
    size_t n = Produce(*ch, out + got * 2, std::min(want - got, kBlockFrames), true);
    for (auto& fx : ch->fx) fx->effect->Process(out + got * 2, n);  // effects apply to decoded data too
    got += n;
    if (n == 0) break;
  }
  if (ch->sourceDone) ch->ended = true;
  int64_t p = ProducedPosition(*ch);
  const int64_t len = ch->src->LengthFrames();
  if (len >= 0 && p > len && !ch->ended) p = len;
  if (p > ch->pos) ch->pos = p;
  if (got == 0 && ch->ended) return Fail(kErrorEnded, 0xFFFFFFFFu);
  return Fail(kOk, uint32_t(got * 8));
}

uint32_t ChannelSetSync(uint32_t handle, uint32_t type, uint64_t param, SyncProc* proc, void* user) {
  auto ch = FindChannel(handle);
  if (!ch) return 0;
  const uint32_t base = type & ~(kSyncOneTime | kSyncMixTime);
  switch (base) {
    case kSyncPos:
    case kSyncEnd:
    case kSyncMeta:
    case kSyncSlide:
    case kSyncOggChange:
    case kSyncWmaChange:
    case kSyncWmaMeta:
      break;
    default: return Fail(kErrorIllType, 0u);
  }
  if (!proc) return Fail(kErrorIllParam, 0u);
  Sync s;
  s.type = base;
  s.oneTime = (type & kSyncOneTime) != 0;
  s.param = base == kSyncPos ? int64_t(param / 8) : int64_t(param);
  s.proc = proc;
  s.user = user;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    s.handle = r.NewHandle();
  }
  ChanLock lk(*ch);
  ch->syncs.push_back(s);
  return Fail(kOk, s.handle);
}

bool ChannelRemoveSync(uint32_t handle, uint32_t sync) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  ChanLock lk(*ch);
  auto it = std::find_if(ch->syncs.begin(), ch->syncs.end(), [&](const Sync& s) { return s.handle == sync; });
  if (it == ch->syncs.end()) return Fail(kErrorHandle, false);
  ch->syncs.erase(it);
  return Fail(kOk, true);
}

uint32_t ChannelSetFX(uint32_t handle, int type, int priority) {
  auto ch = FindChannel(handle);
  if (!ch) return 0;
  std::unique_ptr<dsp::Effect> effect = dsp::CreateEffect(type, kOutRate);
  if (!effect) return Fail(kErrorIllType, 0u);
  auto fx = std::make_unique<FxEntry>();
  fx->type = type;
  fx->priority = priority;
  fx->effect = std::move(effect);
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lk(r.mutex);
    fx->handle = r.NewHandle();
    r.fxOwner[fx->handle] = handle;
  }
  const uint32_t h = fx->handle;
  ChanLock lk(*ch);
  std::lock_guard<std::mutex> rl(ch->renderMutex);
  // Higher priorities run first; equal ones in the order they were set.
  auto at = std::find_if(ch->fx.begin(), ch->fx.end(), [&](const auto& e) { return e->priority < priority; });
  ch->fx.insert(at, std::move(fx));
  RenderAgainFromHeard(*ch);
  return Fail(kOk, h);
}

namespace {

// The channel that owns an effect, or null with kErrorHandle.
std::shared_ptr<Channel> FxChannel(uint32_t fx) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  auto it = r.fxOwner.find(fx);
  if (it == r.fxOwner.end()) return Fail(kErrorHandle, std::shared_ptr<Channel>());
  auto c = r.channels.find(it->second);
  if (c == r.channels.end()) return Fail(kErrorHandle, std::shared_ptr<Channel>());
  return c->second;
}

FxEntry* FindFx(Channel& ch, uint32_t fx) {
  for (auto& e : ch.fx)
    if (e->handle == fx) return e.get();
  return nullptr;
}

}  // namespace

bool ChannelRemoveFX(uint32_t handle, uint32_t fx) {
  auto ch = FindChannel(handle);
  if (!ch) return false;
  std::unique_ptr<FxEntry> gone;
  {
    ChanLock lk(*ch);
    std::lock_guard<std::mutex> rl(ch->renderMutex);
    auto it = std::find_if(ch->fx.begin(), ch->fx.end(), [&](const auto& e) { return e->handle == fx; });
    if (it == ch->fx.end()) return Fail(kErrorHandle, false);
    gone = std::move(*it);
    ch->fx.erase(it);
    RenderAgainFromHeard(*ch);
  }
  Registry& r = Reg();
  std::lock_guard<std::mutex> lk(r.mutex);
  r.fxOwner.erase(fx);
  return Fail(kOk, true);
}

namespace {

// Runs act on an effect with its channel's locks held. act gives kOk or the error to report.
template <typename Act>
bool WithFx(uint32_t fx, bool paramsGiven, Act act) {
  auto ch = FxChannel(fx);
  if (!ch) return false;
  if (!paramsGiven) return Fail(kErrorIllParam, false);
  ChanLock lk(*ch);
  std::lock_guard<std::mutex> rl(ch->renderMutex);
  FxEntry* e = FindFx(*ch, fx);
  if (!e) return Fail(kErrorHandle, false);
  const int rc = act(*ch, *e->effect);
  return rc == kOk ? Fail(kOk, true) : Fail(rc, false);
}

}  // namespace

bool FXSetParameters(uint32_t fx, const void* params) {
  return WithFx(fx, params != nullptr, [&](Channel& ch, dsp::Effect& e) {
    if (!e.SetParameters(params)) return int(kErrorIllParam);
    RenderAgainFromHeard(ch);
    return int(kOk);
  });
}

bool FXGetParameters(uint32_t fx, void* params) {
  return WithFx(fx, params != nullptr, [&](Channel&, dsp::Effect& e) {
    e.GetParameters(params);
    return int(kOk);
  });
}

bool FXReset(uint32_t fx) {
  return WithFx(fx, true, [&](Channel& ch, dsp::Effect& e) {
    e.Reset();
    RenderAgainFromHeard(ch);
    return int(kOk);
  });
}

const char* ChannelGetTags(uint32_t handle, uint32_t tags) {
  auto ch = FindChannel(handle);
  if (!ch) return nullptr;
  int64_t heard;
  {
    ChanLock lk(*ch);
    heard = (ch->decodeOnly && !ch->tempo) ? ch->src->ReadPos() : ch->pos;
  }
  std::string text;
  if (!ch->src->Tags(tags, heard, text)) return Fail(kErrorNotAvail, static_cast<const char*>(nullptr));
  std::lock_guard<std::mutex> lk(ch->tagMutex);
  std::string& slot = ch->tagCache[tags];
  slot = std::move(text);
  return Fail(kOk, slot.c_str());
}

}  // namespace alib
