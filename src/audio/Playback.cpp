#include "audio/Playback.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "access/Speech.h"
#include "access/Templates.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "app/Commands.h"
#include "audio/AudioErrors.h"
#include "audio/Device.h"
#include "audio/PlayerEvents.h"
#include "audio/StreamTags.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectChain.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
ChannelRecord g_output, g_fading, g_monitor;
// The fading track's volume belongs to its fade once the slide down began.
bool g_fadingSliding = false;
std::function<void()> g_wake;
std::string g_lastStatus;
std::string g_lastName;
std::string g_lastTitle;
bool g_nameShown = false;

void* Code(int32_t code) { return reinterpret_cast<void*>(static_cast<intptr_t>(code)); }

std::string FileAndFolder(const std::string& file) {
  return fileutil::FilePart(file) + " From " + file.substr(0, file.size() - fileutil::FilePart(file).size());
}

void SetVolume(uint32_t h, float v) { alib::ChannelSetAttribute(h, alib::kAttribVol, v); }

void FileStream(ChannelRecord& n, uint32_t flags) {
  const char* path = n.Track.File.c_str();
  uint32_t decoding = alib::StreamCreateFile(false, path, 0, 0, (flags & alib::kUnicode) | alib::kStreamDecode);
  uint32_t h = 0;
  if (decoding) {
    h = alib::TempoCreate(decoding, flags);
    if (!h) {
      // Without tempo the track still plays, only without tempo and pitch.
      alib::StreamFree(decoding);
      h = alib::StreamCreateFile(false, path, 0, 0, flags);
    }
  } else {
    h = alib::StreamCreateFile(false, path, 0, 0, flags);
  }
  n.Handle = h;
  if (!h) return;
  SeekSeconds(h, n.Track.Start, false);
  FadeIn(h);
  SetEndSync(h, n.Track.End);
}

// The Output stream over a decoding URL stream that was opened off the main thread.
void UrlStream(ChannelRecord& n, uint32_t decoding, uint32_t flags) {
  flags |= alib::kStreamAutoFree;
  uint32_t h = 0;
  if (decoding) {
    // The tempo stream is made on the current device: the Monitor may have taken it meanwhile.
    alib::SetDevice(n.Device);
    h = alib::TempoCreate(decoding, flags);
    if (!h) alib::StreamFree(decoding);
  }
  n.Handle = h;
  if (!h) return;
  FadeIn(h);
  for (uint32_t type : {uint32_t(alib::kSyncMeta), uint32_t(alib::kSyncOggChange), uint32_t(alib::kSyncWmaChange),
                        uint32_t(alib::kSyncWmaMeta)})
    alib::ChannelSetSync(h, type, 0, OnSyncEvent, Code(static_cast<int32_t>(type)));
  OnStreamTags(n, -1);
}

// Network streams connect on a worker thread: a server that never answers must not hold the
// keys, timers and speech. The worker only opens the decoding stream; everything the player
// does with it runs on the main thread once the wake-up (or the 500 ms timer) hands it over.
struct PendingOpen {
  uint64_t id = 0;
  bool monitor = false;
  std::function<void(uint32_t, int)> opened;
  std::string url;
  uint32_t handle = 0;
  int error = 0;
  bool done = false;  // the worker has returned (its thread can be joined at once)
  std::atomic<bool> cancel{false};  // set when nobody waits for it any more: the connect is abandoned
};

struct UrlOpens {
  std::mutex lock;  // guards everything below
  std::vector<std::pair<std::shared_ptr<PendingOpen>, std::thread>> workers;
  std::vector<std::shared_ptr<PendingOpen>> finished;
  uint64_t wanted[2] = {0, 0};  // the open each side waits for (Output, Monitor); others are stale
  uint64_t lastId = 0;

  // Lock held. Abandons the connects of the side (both with -1) that nobody waits for.
  void CancelStale(int side) {
    for (auto& w : workers)
      if ((side < 0 || side == (w.first->monitor ? 1 : 0)) && w.first->id != wanted[w.first->monitor ? 1 : 0])
        w.first->cancel = true;
  }

  // The workers are told to give up first: neither a reset nor the program's end waits for a
  // server that does not answer.
  void JoinAll() {
    std::vector<std::thread> all;
    {
      std::lock_guard<std::mutex> g(lock);
      wanted[0] = wanted[1] = 0;
      CancelStale(-1);
      for (auto& w : workers) all.push_back(std::move(w.second));
      workers.clear();
    }
    for (auto& t : all) t.join();
    std::vector<std::shared_ptr<PendingOpen>> left;
    {
      std::lock_guard<std::mutex> g(lock);
      left.swap(finished);
    }
    for (auto& p : left)
      if (p->handle) alib::StreamFree(p->handle);
  }
  // The program may end while a server is still being waited for: the worker is abandoned and
  // ends before the audio library goes away.
  ~UrlOpens() { JoinAll(); }
};

UrlOpens& Opens() {
  static UrlOpens o;
  return o;
}

void OpenWorker(std::shared_ptr<PendingOpen> p) {
  const uint32_t h = alib::StreamCreateURLCancelable(p->url.c_str(), alib::kUnicode | alib::kStreamDecode, &p->cancel);
  const int error = alib::ErrorGetCode();
  UrlOpens& o = Opens();
  bool wanted;
  {
    std::lock_guard<std::mutex> g(o.lock);
    wanted = o.wanted[p->monitor ? 1 : 0] == p->id;
    if (wanted) {
      p->handle = h;
      p->error = error;
      o.finished.push_back(p);
    }
    p->done = true;
  }
  if (!wanted) {
    if (h) alib::StreamFree(h);
    return;
  }
  std::function<void()> wake;
  {
    std::lock_guard<std::recursive_mutex> lock(SyncEventQueue().lock);
    wake = g_wake;
  }
  if (wake) wake();
}

// What the Output waits for while its stream connects (main thread only).
struct OutputWait {
  uint64_t id = 0;
  ChannelRecord record;
  bool automatic = false;
};
OutputWait g_outputWait;

void LogOpenError(int code) {
  if (code != 0) AddLog("! " + BassErrorName(code) + ". ");
}

void FinishFading() {
  ChannelRecord& f = g_fading;
  if (f.Track.ID != 0 && f.Track.ID != g_output.Track.ID) {
    SetTrackState(f.Track.ID, Played);
    RemovePlayedTracks();
  }
  FreeChannel(f);
}
}  // namespace

OutputStateType& OutputState() {
  static OutputStateType s;
  return s;
}

ChannelRecord& OutputChannel() { return g_output; }
ChannelRecord& FadingChannel() { return g_fading; }
ChannelRecord& MonitorChannel() { return g_monitor; }

SyncEventQueueType& SyncEventQueue() {
  static SyncEventQueueType q;
  return q;
}

bool FadingActive() { return IsFeatureAllowed(cmd::Fading) && GetMWFlag(setting::OutputFadingEnable); }

int32_t WholeSeconds(uint32_t handle, int64_t bytes) {
  return static_cast<int32_t>(std::lround(alib::ChannelBytes2Seconds(handle, bytes)));
}

uint64_t OpenUrlInBackground(const std::string& url, bool monitor, std::function<void(uint32_t, int)> opened) {
  UrlOpens& o = Opens();
  auto p = std::make_shared<PendingOpen>();
  p->monitor = monitor;
  p->opened = std::move(opened);
  p->url = url;
  std::vector<std::thread> ended;
  {
    std::lock_guard<std::mutex> g(o.lock);
    p->id = ++o.lastId;
    o.wanted[monitor ? 1 : 0] = p->id;
    o.CancelStale(monitor ? 1 : 0);
    for (auto it = o.workers.begin(); it != o.workers.end();) {
      if (it->first->done) {
        ended.push_back(std::move(it->second));
        it = o.workers.erase(it);
      } else {
        ++it;
      }
    }
    o.workers.emplace_back(p, std::thread(OpenWorker, p));
  }
  for (auto& t : ended) t.join();
  return p->id;
}

void CancelUrlOpen(bool monitor) {
  UrlOpens& o = Opens();
  std::vector<uint32_t> unused;
  {
    std::lock_guard<std::mutex> g(o.lock);
    o.wanted[monitor ? 1 : 0] = 0;
    o.CancelStale(monitor ? 1 : 0);
    for (auto it = o.finished.begin(); it != o.finished.end();) {
      if ((*it)->monitor == monitor) {
        if ((*it)->handle) unused.push_back((*it)->handle);
        it = o.finished.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (uint32_t h : unused) alib::StreamFree(h);
  if (!monitor) g_outputWait = OutputWait{};
}

bool OutputConnecting() { return g_outputWait.id != 0; }

void WaitForUrlOpens() { Opens().JoinAll(); }

namespace {
// Steps from the queue lock on, once the new stream exists (or for a stop).
int HandOver(ChannelRecord& n, bool stop) {
  std::unique_lock<std::recursive_mutex> lock(SyncEventQueue().lock);
  const bool hadTrack = g_output.Handle != 0;
  // Only one track fades at a time: a third one cuts it.
  if (g_fading.Track.ID != 0) SetTrackState(g_fading.Track.ID, Played);
  RemovePlayedTracks();
  FreeChannel(g_fading);

  g_fading = std::move(g_output);
  g_output = ChannelRecord{};
  g_fadingSliding = false;
  if (g_fading.Track.ID != 0) AddToPlayedList(g_fading.Track.ID);
  if (g_fading.Handle) {
    if (ScheduleFadeOut(g_fading)) {
      SetTrackState(g_fading.Track.ID, FadeOut);
    } else {
      SetTrackState(g_fading.Track.ID, Played);
      alib::ChannelStop(g_fading.Handle);
    }
  }
  RememberBookPosition(g_fading);
  g_output = std::move(n);

  if (GetMWFlag(setting::OutputNoKeepEffect)) ChooseDeviceEffect(kOutputEffectBase, kOutputEffectBase, true, true);
  if (GetMWFlag(setting::OutputNoKeepTempoPitch)) SetTempoPitchEnabled(0, false);

  int result = 1;
  if (!stop) {
    const uint32_t h = g_output.Handle;
    ApplyTempo();
    ApplyPitch();
    ApplyEqualizer(h, g_output.Effects, GetMWValue(setting::OutputParamEQ));
    ApplyCompressor(h, g_output.Effects, GetMWValue(setting::OutputCompressor));
    ApplyEffectSetByIndex(h, g_output.Effects, OutputEffectIndex());
    result = alib::ChannelPlay(h, false) ? 1 : 0;
    AddLog("- Play deviceID=" + std::to_string(g_output.Device) + ", hChannel=" + text::Hex(h) + ", " +
           FileAndFolder(g_output.Track.File));
    AddRecent(RecentList::Files, g_output.Track.File, true, false);
    const int32_t id = g_output.Track.ID;
    if (::Track* t = FindTrack(id)) {
      if (UpdateTrackLength(h, *t) == 1) RefreshRow(id);
    }
    SetTrackState(id, Playing);
    if (result) TrackStarted();
  }
  // Listeners may query and act: they run without the lock, as every main-thread caller does.
  lock.unlock();
  if (g_output.Handle) player::Notify(player::Change::TrackStarted);
  else if (hadTrack) player::Notify(player::Change::TrackEnded);
  return result;
}

// The Output's stream has connected (or failed): the steps OutputPlay would have run.
void FinishOutputOpen(const PendingOpen& p) {
  ChannelRecord n = std::move(g_outputWait.record);
  const bool automatic = g_outputWait.automatic;
  g_outputWait = OutputWait{};
  UrlStream(n, p.handle, alib::kUnicode);
  int result = 0;
  if (!n.Handle) {
    AddLog("! Error, Play : " + n.Track.File);
    LogOpenError(p.error);
  } else {
    result = HandOver(n, false);
  }
  if (!result && automatic) {
    AutomaticTrackFailed(n.Track.ID);
    return;
  }
  if (!result) Speak(Lang("Msg\\Play.Error"));
  RefreshStates();
  UpdatePlayControls();
  Player().RefreshPauseButton();
  UpdateNextPrevItems();
}

void FinishUrlOpens() {
  UrlOpens& o = Opens();
  std::vector<std::shared_ptr<PendingOpen>> done;
  {
    std::lock_guard<std::mutex> g(o.lock);
    for (auto it = o.finished.begin(); it != o.finished.end();) {
      uint64_t& wanted = o.wanted[(*it)->monitor ? 1 : 0];
      if (wanted == (*it)->id) {
        wanted = 0;
        done.push_back(*it);
      } else if ((*it)->handle) {
        alib::StreamFree((*it)->handle);
      }
      it = o.finished.erase(it);
    }
  }
  for (auto& p : done) {
    if (p->monitor) {
      if (p->opened) p->opened(p->handle, p->error);
      else if (p->handle) alib::StreamFree(p->handle);
    } else if (p->id == g_outputWait.id) {
      FinishOutputOpen(*p);
    } else if (p->handle) {
      alib::StreamFree(p->handle);
    }
  }
}
}  // namespace

int OutputPlay(const ::Track* track, bool stop) {
  // Any new request replaces a stream that is still connecting.
  CancelUrlOpen(false);
  ChannelRecord n;
  uint32_t flags = alib::kUnicode;
  if (!stop) {
    if (!track) return 0;
    if (!OpenOutputDevice(n.Device)) return 0;
    if (g_output.Handle && alib::ChannelIsActive(g_output.Handle) == alib::kActivePaused) {
      PauseCommand(0, false);
      return 1;
    }
    n.Track = *track;
    if (IsURL(n.Track.File)) {
      // The track that plays now goes on until the stream is there.
      g_outputWait.automatic = AutomaticPlayInProgress();
      g_outputWait.record = std::move(n);
      g_outputWait.id = OpenUrlInBackground(g_outputWait.record.Track.File, false);
      return 1;
    }
    FileStream(n, flags);
    if (!n.Handle) {
      AddLog("! Error, Play : " + n.Track.File);
      LogBassError("");
      return 0;
    }
  }
  return HandOver(n, stop);
}

int SetOutputPause(int mode) {
  const uint32_t h = g_output.Handle;
  if (!h) return alib::kActiveStopped;
  const int before = alib::ChannelIsActive(h);
  bool resume = mode == 0 || (mode < 0 && before == alib::kActivePaused);
  if (resume) alib::ChannelPlay(h, false);
  else alib::ChannelPause(h);
  const int after = alib::ChannelIsActive(h);
  if (after != before && after == alib::kActivePaused) player::Notify(player::Change::Paused);
  else if (after != before && before == alib::kActivePaused) player::Notify(player::Change::Resumed);
  return after;
}

int FadeIn(uint32_t h) {
  const float target = static_cast<float>(CurrentOutputVolume()) / 100.0f;
  bool ok;
  if (FadingActive()) {
    SetVolume(h, 0);
    bool slid = alib::ChannelSlideAttribute(h, alib::kAttribVol, target,
                                            static_cast<uint32_t>(std::max(0, GetMWNumber(setting::OutputFadingUp))) * 1000);
    uint32_t sync = alib::ChannelSetSync(h, alib::kSyncSlide | alib::kSyncOneTime, 0, OnSyncEvent, Code(kEventFadeInEnd));
    ok = slid && sync != 0;
  } else {
    ok = alib::ChannelSetAttribute(h, alib::kAttribVol, target);
  }
  if (!ok) {
    AddLog("- Output_FadeIn hChannel=" + std::to_string(h));
    LogBassError("");
    SetVolume(h, target);
  }
  return ok ? 1 : 0;
}

int32_t EndSyncSeconds(uint32_t h, int32_t end) {
  const int32_t length = WholeSeconds(h, alib::ChannelGetLength(h, alib::kPosByte));
  int32_t t = end > 0 && end < length ? end : length;
  // The next track starts the overlap before the end point; only when it will really fade.
  if (FadingActive()) t = std::max(0, t - GetMWNumber(setting::OutputFadingTime));
  return t;
}

void SetEndSync(uint32_t h, int32_t end) {
  const int32_t t = EndSyncSeconds(h, end);
  alib::ChannelSetSync(h, alib::kSyncPos, static_cast<uint64_t>(alib::ChannelSeconds2Bytes(h, t)), OnSyncEvent,
                       Code(kEventEnd));
  alib::ChannelSetSync(h, alib::kSyncEnd | alib::kSyncOneTime, 0, OnSyncEvent, Code(kEventEnd));
}

uint32_t ScheduleFadeOut(ChannelRecord& record) {
  const uint32_t h = record.Handle;
  const int32_t down = GetMWNumber(setting::OutputFadingDown);
  if (!h || !FadingActive() || down <= 0) return 0;
  // A paused track is silent already: a slide would never run out.
  if (alib::ChannelIsActive(h) != alib::kActivePlaying) return 0;
  const int32_t overlap = GetMWNumber(setting::OutputFadingTime);
  if (overlap <= down) return static_cast<uint32_t>(FadeOutAndStop(h));
  const int64_t length = alib::ChannelGetLength(h, alib::kPosByte);
  const int64_t pos = alib::ChannelGetPosition(h, alib::kPosByte);
  if (length == pos) return 0;
  const int32_t t = WholeSeconds(h, pos) + (overlap - down);
  const int64_t p = std::min(alib::ChannelSeconds2Bytes(h, t), length);
  uint32_t sync = alib::ChannelSetSync(h, alib::kSyncPos, static_cast<uint64_t>(p), OnSyncEvent, Code(kEventFadeOutStart));
  alib::ChannelSetSync(h, alib::kSyncEnd | alib::kSyncOneTime, 0, OnSyncEvent, Code(kEventFadeEnd));
  return sync;
}

int FadeOutAndStop(uint32_t h) {
  bool slid = false;
  if (FadingActive()) {
    slid = alib::ChannelSlideAttribute(h, alib::kAttribVol, 0,
                                       static_cast<uint32_t>(std::max(0, GetMWNumber(setting::OutputFadingDown))) * 1000);
    if (slid) {
      if (h == g_fading.Handle) g_fadingSliding = true;
      alib::ChannelSetSync(h, alib::kSyncSlide | alib::kSyncOneTime, 0, OnSyncEvent, Code(kEventFadeEnd));
    }
  }
  alib::ChannelSetSync(h, alib::kSyncEnd, 0, OnSyncEvent, Code(kEventFadeEnd));
  if (!slid) {
    SetVolume(h, 0);
    alib::ChannelStop(h);
  }
  return slid ? 1 : 0;
}

void OnSyncEvent(uint32_t /*sync*/, uint32_t channel, uint32_t /*data*/, void* user) {
  std::function<void()> wake;
  {
    std::lock_guard<std::recursive_mutex> lock(SyncEventQueue().lock);
    SyncEventQueue().events.push_back({channel, static_cast<int32_t>(reinterpret_cast<intptr_t>(user))});
    wake = g_wake;
  }
  if (wake) wake();
}

void SetSyncWakeUp(std::function<void()> wake) {
  std::lock_guard<std::recursive_mutex> lock(SyncEventQueue().lock);
  g_wake = std::move(wake);
}

namespace {

void HandleSyncEvents() {
  SyncEventQueueType& q = SyncEventQueue();
  std::lock_guard<std::recursive_mutex> lock(q.lock);
  while (!q.events.empty()) {
    const SyncEvent ev = q.events.front();
    q.events.pop_front();
    if (ev.channel == 0) continue;
    if (ev.channel == g_output.Handle) {
      switch (ev.code) {
        case kEventFadeInEnd: ApplyOutputVolume(); break;
        case kEventEnd:
          if (GetMWFlag(setting::AutoNextPlay)) PlayNextTrack(true);
          else PlayTrack(0, true);
          break;
        case kEventFadeEnd:
        case kEventOggChange:
        case kEventWmaChange:
        case kEventWmaMeta: OnStreamTags(g_output, ev.code); break;
        default: break;
      }
    } else if (ev.channel == g_fading.Handle) {
      bool finished = true;
      if (ev.code == kEventFadeOutStart) finished = FadeOutAndStop(g_fading.Handle) == 0;
      if (finished) FinishFading();
      RefreshStates();
    }
  }
}

}  // namespace

void ProcessSyncEvents() {
  FinishUrlOpens();
  HandleSyncEvents();
  // Outside the queue's lock: a lost device is said in a requester, under which this runs again.
  WatchDevice(g_output.Device);
  if (g_monitor.Device != g_output.Device) WatchDevice(g_monitor.Device);
}

void RememberBookPosition(ChannelRecord& record) {
  if (!IsBookProfile() || !record.Handle) return;
  PositionInfo info;
  if (!GetPositionInfo(record.Handle, info)) return;
  if (!FindTrack(record.Track.ID) || info.PositionBytes >= info.LengthBytes) return;
  StoreBookPosition(record.Track.ID, info.PositionSeconds);
}

void FreeChannel(ChannelRecord& record) {
  if (record.Handle) {
    // Once per track, so a gap heard on air can be found in the log afterwards.
    const uint32_t underruns = alib::ChannelGetUnderruns(record.Handle);
    if (underruns)
      AddLog("! Underruns=" + std::to_string(underruns) + ", hChannel=" + text::Hex(record.Handle) + ", " +
             FileAndFolder(record.Track.File));
    alib::ChannelStop(record.Handle);
    alib::StreamFree(record.Handle);
  }
  if (&record == &g_fading) g_fadingSliding = false;
  record.Handle = 0;
  record.Device = 0;
  record.Effects.Clear();
  record.Track = ::Track{};
}

int ExamineTrack(::Track& track, bool force) {
  track.Name = TrackNameOf(track.File);
  if (IsURL(track.File)) {
    track.Length = -1;
    return 1;
  }
  if (!force && !GetMWFlag(setting::ExamineBeforeAdd)) return 1;
  // No requester here: a missing device would ask once for every examined track.
  OpenDevice(GetMWValue(setting::OutputName), GetMWFlag(setting::OutputUseDefault));
  uint32_t h = alib::StreamCreateFile(false, track.File.c_str(), 0, 0, alib::kUnicode | alib::kStreamDecode);
  int r = h ? UpdateTrackLength(h, track) : 0;
  if (r != 0) {
    alib::StreamFree(h);
  } else {
    AddLog("- Examine : " + track.File);
    LogBassError("");
    if (h) alib::StreamFree(h);
  }
  return r;
}

int UpdateTrackLength(uint32_t handle, ::Track& track) {
  const int64_t bytes = alib::ChannelGetLength(handle, alib::kPosByte);
  if (bytes < 0) return 0;
  return UpdateTrackLength(static_cast<int32_t>(WholeSeconds(handle, bytes)), track);
}

int GetPositionInfo(uint32_t h, PositionInfo& info) {
  info.LengthBytes = alib::ChannelGetLength(h, alib::kPosByte);
  info.PositionBytes = alib::ChannelGetPosition(h, alib::kPosByte);
  if (info.PositionBytes < 0) {
    info.PositionSeconds = info.LengthSeconds = 0;
    return 0;
  }
  info.PositionSeconds = WholeSeconds(h, info.PositionBytes);
  if (info.LengthBytes < 0) {
    info.LengthSeconds = 0;
    return 0;
  }
  info.LengthSeconds = WholeSeconds(h, info.LengthBytes);
  info.Percent = info.LengthBytes == 0 ? 0 : static_cast<int32_t>(info.PositionBytes * 100 / info.LengthBytes);
  return 1;
}

int OutputPositionInfo(PositionInfo& info) { return g_output.Handle ? GetPositionInfo(g_output.Handle, info) : 0; }

int SeekSeconds(uint32_t h, int64_t s, bool relative) {
  const int64_t length = alib::ChannelGetLength(h, alib::kPosByte);
  if (length < 0) return 0;
  if (relative) {
    const int64_t pos = alib::ChannelGetPosition(h, alib::kPosByte);
    if (pos < 0) return 0;
    s += WholeSeconds(h, pos);
  }
  const int64_t last = WholeSeconds(h, length) - 1;
  s = std::max<int64_t>(0, std::min(s, last));
  const int64_t bytes = alib::ChannelSeconds2Bytes(h, static_cast<double>(s));
  if (bytes < 0) return 0;
  return alib::ChannelSetPosition(h, bytes, alib::kPosByte) ? 1 : 0;
}

int SeekPercent(uint32_t h, int32_t p) {
  p = std::clamp(p, 0, 99);
  const int64_t length = alib::ChannelGetLength(h, alib::kPosByte);
  if (length < 0) return 0;
  int64_t pos = p == 0 ? 0 : length * p / 100;
  pos -= pos % 8;  // whole stereo frames
  return alib::ChannelSetPosition(h, pos, alib::kPosByte) ? 1 : 0;
}

int OutputSeekSeconds(int64_t seconds, bool relative) {
  const int ok = g_output.Handle ? SeekSeconds(g_output.Handle, seconds, relative) : 0;
  if (ok) player::Notify(player::Change::PositionJumped);
  return ok;
}
int OutputSeekPercent(int32_t percent) {
  const int ok = g_output.Handle ? SeekPercent(g_output.Handle, percent) : 0;
  if (ok) player::Notify(player::Change::PositionJumped);
  return ok;
}

int32_t CurrentOutputVolume() {
  return (OutputState().MuteFlags & 1) ? GetMWNumber(setting::OutputMuteVolume) : GetMWNumber(setting::OutputVolume);
}

void ApplyOutputVolume() {
  const float v = static_cast<float>(CurrentOutputVolume()) / 100.0f;
  if (g_output.Handle) SetVolume(g_output.Handle, v);
  // A track sliding down keeps its fade; it only follows while it still plays at full level.
  if (g_fading.Handle && !g_fadingSliding && alib::ChannelIsActive(g_fading.Handle) == alib::kActivePlaying)
    SetVolume(g_fading.Handle, v);
}

namespace {
// The Radio shows tempo and pitch switched off (and keeps the setting of the other profiles):
// what is heard follows what is shown.
bool GlobalTempoPitchOn() {
  return CurrentProfile() != kRadioProfile && GetMWFlag(setting::OutputEnableTempoPitch);
}
}  // namespace

float EffectiveTempo() {
  if (IsFeatureAllowed(cmd::EnableTempoPitch))
    return GlobalTempoPitchOn() ? OutputState().GlobalTempo : 0.0f;
  return IsBookProfile() ? g_output.Track.Tempo : 0.0f;
}

float EffectivePitch() {
  if (IsFeatureAllowed(cmd::EnableTempoPitch))
    return GlobalTempoPitchOn() ? OutputState().GlobalPitch : 0.0f;
  return IsBookProfile() ? g_output.Track.Pitch : 0.0f;
}

void ApplyTempo() {
  if (g_output.Handle) alib::ChannelSetAttribute(g_output.Handle, alib::kAttribTempo, EffectiveTempo());
}
void ApplyPitch() {
  if (g_output.Handle) alib::ChannelSetAttribute(g_output.Handle, alib::kAttribTempoPitch, EffectivePitch());
}

std::string TrackDisplayName(const ::Track& t) {
  if (!t.StreamTitle.empty()) return t.StreamTitle;
  if (!t.Alias.empty()) return t.Alias;
  return t.Name;
}

void RefreshPositionDisplay() {
  Shell& shell = TheShell();
  PositionInfo info;
  StatusPosition pos;
  if (OutputPositionInfo(info)) {
    shell.SetGadgetState(gadget::MainWindow, gadget::Position, info.Percent);
    pos.percent = info.Percent;
    pos.position = info.PositionSeconds;
    pos.length = info.LengthSeconds;
  }
  std::string status;
  if (g_output.Handle) status = FormatStatus(TemplateText(setting::PlayingStatus), pos);
  if (status.empty()) status = FormatStatus(TemplateText(setting::NormalStatus), pos);
  if (status != g_lastStatus) {
    g_lastStatus = status;
    shell.SetStatusText(status);
  }
  // The first refresh shows the title too; after it the title follows the player's events.
  if (!g_nameShown) RefreshTitleDisplay();
}

void RefreshTitleDisplay() {
  Shell& shell = TheShell();
  const std::string name = TrackDisplayName(g_output.Track);
  std::string title = App.AppName;
  if (!name.empty()) title = GetMWFlag(setting::TitleNameInFirst) ? name + " : " + App.AppName : App.AppName + " : " + name;
  if (!g_nameShown || name != g_lastName) shell.SetSystrayInfo(name);
  if (!g_nameShown || title != g_lastTitle) shell.SetWindowTitle(title);
  g_nameShown = true;
  g_lastName = name;
  g_lastTitle = title;
}

void RefreshPlayerDisplay() {
  RefreshPositionDisplay();
  RefreshTitleDisplay();
}

void RefreshDisplayOnChange(player::Change change) {
  // The status template may show any of the player's state (volume, position, track).
  RefreshPositionDisplay();
  if (change == player::Change::TrackStarted || change == player::Change::TrackEnded ||
      change == player::Change::TitleChanged)
    RefreshTitleDisplay();
}

void OnStreamTags(ChannelRecord& record, int32_t code) {
  std::string title;
  if (!record.Handle || !ReadStreamTitle(record.Handle, code, title)) return;
  const bool changed = record.Track.StreamTitle != title;
  record.Track.StreamTitle = title;
  if (changed && &record == &OutputChannel()) player::Notify(player::Change::TitleChanged);
}

int PauseCommand(int mode, bool refreshOnly) {
  std::string caption = Lang("Main\\Button.Pause");
  int result = mode;
  if (!refreshOnly) {
    const int state = SetOutputPause(mode);
    const int32_t id = OutputChannel().Track.ID;
    std::string say;
    if (state == alib::kActivePaused) {
      say = Lang("Say.Pause");
      caption = Lang("Main\\Button.Resume");
      SetTrackState(id, Pause);
      result = 1;
    } else if (state == alib::kActivePlaying || state == alib::kActiveStalled) {
      say = Lang("Say.Resume");
      SetTrackState(id, Playing);
      result = 0;
    } else {
      say = Lang("Say.CantDoPause");
      result = 0;
    }
    Speak(say);
    RefreshStates();
  } else if (result) {
    caption = Lang("Main\\Button.Resume");
  }
  Shell& shell = TheShell();
  shell.SetGadgetText(gadget::MainWindow, gadget::Pause, caption);
  shell.SetMenuItemChecked(cmd::Pause, result != 0);
  shell.SetMenuItemChecked(cmd::HotkeyPause, result != 0);
  return result;
}

void SetTempoPitchEnabled(int mode, bool silent) {
  Shell& shell = TheShell();
  const int profile = CurrentProfile();
  if (profile == kRadioProfile || profile == kBookProfile) {
    mode = profile == kBookProfile ? 1 : 0;
    for (int id = cmd::TempoUp; id <= cmd::PitchDown; ++id) shell.SetMenuItemEnabled(id, profile == kBookProfile);
  } else {
    if (mode < 0) mode = GetMWFlag(setting::OutputEnableTempoPitch) ? 0 : 1;
    if (GetMWFlag(setting::OutputEnableTempoPitch) != (mode != 0)) {
      SetMWFlag(setting::OutputEnableTempoPitch, mode != 0);
      App.SettingsChanged = true;
    }
    for (int id = cmd::TempoUp; id <= cmd::PitchDown; ++id) shell.SetMenuItemEnabled(id, true);
  }
  shell.SetMenuItemChecked(cmd::EnableTempoPitch, mode != 0);
  shell.SetMenuItemEnabled(cmd::EnableTempoPitch, IsFeatureAllowed(cmd::EnableTempoPitch));
  ApplyTempo();
  ApplyPitch();
  player::Notify(player::Change::TempoChanged);
  if (!silent) Speak(Lang(mode ? "Msg\\TempoPitch.Enabled" : "Msg\\TempoPitch.Disabled"));
}

void ResetPlayback() {
  WaitForUrlOpens();
  g_outputWait = OutputWait{};
  {
    std::lock_guard<std::recursive_mutex> lock(SyncEventQueue().lock);
    FreeChannel(g_output);
    FreeChannel(g_fading);
    FreeChannel(g_monitor);
    SyncEventQueue().events.clear();
  }
  g_lastStatus.clear();
  g_lastName.clear();
  g_lastTitle.clear();
  g_nameShown = false;
  OutputState() = OutputStateType{};
}
