#include "audio/PlaybackHooks.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "access/CommonEvents.h"
#include "access/Templates.h"
#include "app/AppHooks.h"
#include "app/Commands.h"
#include "app/EventLog.h"
#include "app/TextUtil.h"
#include "effects/EffectHooks.h"
#include "audio/AudioErrors.h"
#include "audio/BookTools.h"
#include "audio/Device.h"
#include "audio/Monitor.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audiolib/AudioLib.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedList.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

class AudioPlayerPort : public PlayerPort {
 public:
  int OutputPlay(const Track* track, bool stop) override { return ::OutputPlay(track, stop); }
  // A stream still connecting counts: stop and a profile change must be able to cancel it.
  bool IsOutputBusy() override { return OutputChannel().Handle != 0 || OutputConnecting(); }
  int32_t OutputTrackID() override { return OutputChannel().Handle ? OutputChannel().Track.ID : 0; }
  int32_t StreamLengthSeconds(const std::string& file) override {
    Track t;
    t.File = file;
    return ::ExamineTrack(t, true) ? t.Length : -1;
  }
  int ExamineTrack(Track& track, bool force) override { return ::ExamineTrack(track, force); }
  std::vector<int32_t> ExamineFiles(const std::vector<std::string>& files) override;
  void RefreshPauseButton() override {
    const uint32_t h = OutputChannel().Handle;
    PauseCommand(h && alib::ChannelIsActive(h) == alib::kActivePaused ? 1 : 0, true);
  }
  void SetMute(bool on, bool silent) override { ::SetMute(on ? 1 : 0, silent); }
  void SetTempoPitchEnabled(bool on, bool silent) override { ::SetTempoPitchEnabled(on ? 1 : 0, silent); }
  void RefreshPlayerDisplay() override { ::RefreshPlayerDisplay(); }
  int MonitorPreListen(int32_t id, int32_t seconds) override { return ::MonitorPreListen(id, seconds); }
  bool IsMonitorPlaying() override { return ::IsMonitorPlaying(); }
  void MonitorPlayTrack(int32_t id) override {
    if (const Track* t = FindTrack(id)) MonitorPlay(*t);
    RefreshMonitorMenu();
  }
};

class AudioCommands : public CommonCommands {
 public:
  void ProcessSyncEvents() override { ::ProcessSyncEvents(); }
  void CountDownMonitorRepeat() override { ::CountDownMonitorRepeat(); }
  void MonitorPlaySelected() override { MonitorPlayCommand(false); }
  void MonitorTogglePause() override { MonitorPauseCommand(); }
  void MonitorStop() override { ::MonitorStop(); }
  void MonitorLowVolume() override { SetMonitorVolume(GetMWNumber(setting::MonitorLowVolume)); }
  void MonitorHighVolume() override { SetMonitorVolume(GetMWNumber(setting::MonitorHighVolume)); }
  void ChangePitch(double semitones) override { SetPitch(0, static_cast<float>(semitones), false); }
  void ChangeTempo(double percent) override { SetTempo(0, static_cast<float>(percent), false); }
  void ToggleTempoPitch() override { SetTempoPitchEnabled(-1, false); }
  void TogglePause() override { PauseCommand(-1, false); }
  void StopOutput() override { StopCommand(true); }
  void JumpPosition(int seconds) override { MovePosition(seconds); }
  void ToggleMute() override { SetMute(-1, false); }
  void StepVolume(int step) override { SetOutputVolume(0, step, false); }
  void SwitchLoopingOff() override { SetLooping(0, false); }
  void StartNextTrack() override { PlayNextTrack(); }
  void OpenPlayedListWindow() override { PreviousTrack(false); }
  void ReplayLastPlayed() override { PreviousTrack(true); }
};

class AudioStatus : public StatusSource {
 public:
  StatusPosition OutputPosition() override {
    StatusPosition p;
    PositionInfo info;
    if (OutputPositionInfo(info)) {
      p.percent = info.Percent;
      p.position = info.PositionSeconds;
      p.length = info.LengthSeconds;
    }
    return p;
  }
  StatusTrack OutputTrack() override {
    const ChannelRecord& out = OutputChannel();
    if (!out.Handle) return {};
    return {out.Track.File, out.Track.Alias, out.Track.StreamTitle};
  }
  std::string OutputEffectName() override { return EffectSetName(OutputEffectIndex()); }
  std::string MonitorEffectName() override { return EffectSetName(MonitorEffectIndex()); }
  std::string ProfileName() override { return ::ProfileName(); }
  int TrackCount() override { return static_cast<int>(PlayList().size()); }
  int SelectedLine() override { return PlayListRows().FirstSelected() + 1; }
  std::string ChapterTitle() override { return CurrentChapterTitle(); }
  std::string SleepTimerText() override { return SleepTimerStatus(); }
  std::string ChapterText() override { return CurrentChapterText(); }
};

std::vector<int32_t> AudioPlayerPort::ExamineFiles(const std::vector<std::string>& files) {
  std::vector<int32_t> seconds(files.size(), -1);
  if (files.empty()) return seconds;
  // As ExamineTrack does; its result is not used.
  OpenDevice(GetMWValue(setting::OutputName), GetMWFlag(setting::OutputUseDefault));
  std::vector<int> errors(files.size(), 0);
  // Workers take the files in turn, one per core: the time goes to reading headers, which
  // the workers overlap.
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next++; i < files.size(); i = next++) {
      const int64_t bytes = alib::FileGetLength(files[i].c_str());
      if (bytes >= 0) seconds[i] = static_cast<int32_t>(std::lround(double(bytes / 8) / 44100.0));
      else errors[i] = alib::ErrorGetCode();
    }
  };
  const size_t workers = std::min<size_t>(files.size(), std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::thread> pool;
  for (size_t w = 1; w < workers; ++w) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
  for (size_t i = 0; i < files.size(); ++i) {
    if (seconds[i] >= 0) continue;
    AddLog("- Examine : " + files[i]);
    if (errors[i] != 0) AddLog("! " + BassErrorName(errors[i]) + ". ");
  }
  return seconds;
}

AudioPlayerPort g_port;
AudioCommands g_commands;
AudioStatus g_status;
int g_displayListener = 0;

std::pair<uint32_t, AppliedEffectList*> EffectTarget(int device) {
  ChannelRecord& r = device == 0 ? OutputChannel() : MonitorChannel();
  return {r.Handle, &r.Effects};
}
}  // namespace

void LogLibraryVersions() {
  AddLog("Bass Version = " + text::Hex(alib::GetVersion()));
  AddLog("Bass_FX Version = " + text::Hex(alib::FxGetVersion()));
}

bool PlaybackMenuCommand(int id) {
  switch (id) {
    case cmd::GoToPosition: GoToPosition(); return true;
    default: return false;
  }
}

bool PlaybackCommonEvent(int id, bool fromMainWindow) {
  CommonEvent ev;
  ev.kind = id < 0 ? CommonEvent::Timer : CommonEvent::Menu;
  ev.id = id < 0 ? -id : id;
  return HandleCommonEvent(ev, fromMainWindow);
}

void ConnectPlayback() {
  DisconnectPlayback();
  SetPlayerPort(&g_port);
  SetCommonCommands(&g_commands);
  SetStatusSource(&g_status);
  SetEffectTargets(EffectTarget);
  g_displayListener = player::AddListener(RefreshDisplayOnChange);
}

void DisconnectPlayback() {
  SetPlayerPort(nullptr);
  SetCommonCommands(nullptr);
  SetStatusSource(nullptr);
  SetEffectTargets(nullptr);
  player::RemoveListener(g_displayListener);
  g_displayListener = 0;
}

Feature PlaybackFeature() {
  Feature f;
  f.prepare = [] {
    ResetPlayback();
    ResetMonitor();
  };
  f.start = LogLibraryVersions;
  f.commonEvent = PlaybackCommonEvent;
  f.menuCommand = PlaybackMenuCommand;
  f.refreshDisplay = RefreshPositionDisplay;
  // A stream still connecting at quit is abandoned, not waited for.
  f.exit = WaitForUrlOpens;
  return f;
}

void SetStartVolume() { SetOutputVolume(GetMWNumber(setting::OutputVolume), 0, true); }
