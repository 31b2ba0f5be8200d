#include "audio/Monitor.h"

#include <algorithm>
#include <cstdio>

#include "access/Speech.h"
#include "app/AppState.h"
#include "app/Commands.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/Shell.h"
#include "audio/AudioErrors.h"
#include "audio/Device.h"
#include "audio/Playback.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectChain.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
MonitorStateType g_state;
int32_t g_counter = 0;
std::function<MonitorSelection()> g_source;

MonitorSelection PlayListSelection() {
  MonitorSelection s;
  if (const ::Track* t = FindTrack(SelectedTrackID(PlayListRows()))) {
    s.found = true;
    s.track = *t;
  }
  return s;
}

bool AutoPlay() { return g_state.AutoFlags & 1; }
}  // namespace

MonitorStateType& MonitorState() { return g_state; }
int32_t& MonitorRepeatCounter() { return g_counter; }

void CountDownMonitorRepeat() {
  if (g_counter > 0) --g_counter;
}

void SetMonitorSource(std::function<MonitorSelection()> source) { g_source = std::move(source); }
const std::function<MonitorSelection()>& CurrentMonitorSource() { return g_source; }

PlayListMonitorSource::PlayListMonitorSource() : previous_(g_source) {
  g_source = [] {
    MonitorSelection s = PlayListSelection();
    s.elsewhere = true;
    return s;
  };
}

PlayListMonitorSource::~PlayListMonitorSource() { g_source = previous_; }

void MonitorPlayCommand(bool followSelection) {
  MonitorSelection sel = g_source ? g_source() : PlayListSelection();
  if (!followSelection && !sel.elsewhere) {
    if (g_counter > 0) {
      if (!AutoPlay()) {
        Speak(Lang("Msg\\Monitor.AutoPlay"));
        g_state.AutoFlags |= 1;
      }
    } else {
      g_state.AutoFlags &= ~1;
    }
    g_counter = 4;
  }
  if (sel.found && !sel.track.File.empty()) MonitorPlay(sel.track);
  RefreshMonitorMenu();
}

void MonitorFollowSelection() {
  if (AutoPlay()) MonitorPlayCommand(true);
}

namespace {
// The track whose stream the Monitor waits for while it connects.
::Track g_connecting;

int StartMonitorStream(uint32_t h) {
  ChannelRecord& mon = MonitorChannel();
  const std::string& file = mon.Track.File;
  const std::string name = fileutil::FilePart(file);
  AddLog("- MonitorPlay DeviceID=" + std::to_string(mon.Device) + ", " + name + " From " +
         file.substr(0, file.size() - name.size()));
  if (!h) {
    LogBassError("");
    return 0;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", h);
  AddLog(std::string(" hChannel=") + hex);
  mon.Handle = h;
  if (AutoPlay()) {
    const int64_t length = alib::ChannelGetLength(h, alib::kPosByte);
    if (length > 0) {
      int64_t third = length / 3;
      alib::ChannelSetPosition(h, third - third % 8, alib::kPosByte);
    }
  } else {
    SeekSeconds(h, mon.Track.Start, false);
  }
  alib::ChannelSetAttribute(h, alib::kAttribVol, static_cast<float>(GetMWNumber(setting::MonitorVolume)) / 100.0f);
  ApplyEffectSetByIndex(h, mon.Effects, MonitorEffectIndex());
  return alib::ChannelPlay(h, false) ? 1 : 0;
}
}  // namespace

int MonitorPlay(const ::Track& track) {
  CancelUrlOpen(true);
  ChannelRecord& mon = MonitorChannel();
  FreeChannel(mon);
  if (!OpenMonitorDevice(mon.Device)) return 0;
  mon.Track = track;
  const std::string& file = mon.Track.File;
  if (IsURL(file)) {
    // Streams are not pre-listened automatically.
    if (AutoPlay()) return 0;
    // Connecting may take seconds: the stream plays when it is there (MonitorStreamOpened).
    g_connecting = mon.Track;
    OpenUrlInBackground(file, true, MonitorStreamOpened);
    return 1;
  }
  return StartMonitorStream(alib::StreamCreateFile(false, file.c_str(), 0, 0, alib::kUnicode));
}

void MonitorStreamOpened(uint32_t decoding, int error) {
  ChannelRecord& mon = MonitorChannel();
  FreeChannel(mon);
  mon.Track = g_connecting;
  g_connecting = ::Track{};
  uint32_t h = 0;
  if (decoding) {
    // Made on the Monitor's device, whatever the Output did meanwhile.
    if (OpenMonitorDevice(mon.Device)) h = alib::TempoCreate(decoding, alib::kUnicode | alib::kStreamAutoFree);
    if (!h) alib::StreamFree(decoding);
  }
  if (!h && error != 0) {
    const std::string name = fileutil::FilePart(mon.Track.File);
    AddLog("- MonitorPlay DeviceID=" + std::to_string(mon.Device) + ", " + name + " From " +
           mon.Track.File.substr(0, mon.Track.File.size() - name.size()));
    AddLog("! " + BassErrorName(error) + ". ");
    mon.Track = ::Track{};
    RefreshMonitorMenu();
    return;
  }
  StartMonitorStream(h);
  RefreshMonitorMenu();
}

int MonitorPreListen(int32_t id, int32_t seconds) {
  ChannelRecord& mon = MonitorChannel();
  if (!mon.Handle || mon.Track.ID != id) {
    const ::Track* t = FindTrack(id);
    if (!t) return 0;
    MonitorPlay(*t);
    RefreshPlayerDisplay();
  }
  if (!mon.Handle || mon.Track.ID != id) return 0;
  SeekSeconds(mon.Handle, seconds, false);
  const int playing = alib::ChannelPlay(mon.Handle, false) ? 1 : 0;
  RefreshMonitorMenu();
  return playing;
}

bool IsMonitorPlaying() {
  const uint32_t h = MonitorChannel().Handle;
  return h && alib::ChannelIsActive(h) == alib::kActivePlaying;
}

int MonitorPause(int mode) {
  const uint32_t h = MonitorChannel().Handle;
  if (!h) return 0;
  bool resume = mode == 0 || (mode < 0 && alib::ChannelIsActive(h) == alib::kActivePaused);
  if (resume) alib::ChannelPlay(h, false);
  else alib::ChannelPause(h);
  return alib::ChannelIsActive(h) == alib::kActivePaused ? 1 : 0;
}

void MonitorPauseCommand() {
  g_state.AutoFlags &= ~1;
  MonitorPause(-1);
  RefreshMonitorMenu();
}

void MonitorStop() {
  g_state.AutoFlags &= ~1;
  CancelUrlOpen(true);
  FreeChannel(MonitorChannel());
  RefreshMonitorMenu();
}

int32_t SetMonitorVolume(int32_t value) {
  value = std::clamp(value, 0, 100);
  if (GetMWNumber(setting::MonitorVolume) != value) {
    SetMWNumber(setting::MonitorVolume, value);
    App.SettingsChanged = true;
  }
  if (MonitorChannel().Handle)
    alib::ChannelSetAttribute(MonitorChannel().Handle, alib::kAttribVol, static_cast<float>(value) / 100.0f);
  RefreshMonitorMenu();
  return value;
}

void RefreshMonitorMenu() {
  Shell& shell = TheShell();
  const uint32_t h = MonitorChannel().Handle;
  const int active = h ? alib::ChannelIsActive(h) : alib::kActiveStopped;
  const bool paused = active == alib::kActivePaused;
  const bool on = paused || active == alib::kActivePlaying || active == alib::kActiveStalled;
  shell.SetMenuItemChecked(cmd::MonitorPause, paused);
  shell.SetMenuItemEnabled(cmd::MonitorPause, on);
  shell.SetMenuItemEnabled(cmd::MonitorStop, on);
  const int32_t v = GetMWNumber(setting::MonitorVolume);
  shell.SetMenuItemChecked(cmd::MonitorHighVolume, v == GetMWNumber(setting::MonitorHighVolume));
  shell.SetMenuItemChecked(cmd::MonitorLowVolume, v == GetMWNumber(setting::MonitorLowVolume));
}

void ResetMonitor() {
  g_state = MonitorStateType{};
  g_counter = 0;
  g_source = nullptr;
}
