#include "audio/OutputControls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "access/Speech.h"
#include "access/Templates.h"
#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Shell.h"
#include "audio/Monitor.h"
#include "audio/Playback.h"
#include "audio/PlayerEvents.h"
#include "audiolib/AudioLib.h"
#include "lang/Lang.h"
#include "playlist/PlayListView.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

void StoreNumber(int id, int32_t value) {
  if (GetMWNumber(id) == value) return;
  SetMWNumber(id, value);
  App.SettingsChanged = true;
}

std::string OneDecimal(float v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", static_cast<double>(v));
  return b;
}
}  // namespace

void SetOutputVolume(int32_t value, int32_t delta, bool silent) {
  if (delta != 0) value = GetMWNumber(setting::OutputVolume) + delta;
  value = std::max(0, std::min(value, GetMWNumber(setting::OutputMaxVolume)));
  Shell& shell = TheShell();
  if (shell.GetGadgetState(gadget::MainWindow, gadget::Volume) != value)
    shell.SetGadgetState(gadget::MainWindow, gadget::Volume, value);
  StoreNumber(setting::OutputVolume, value);
  ApplyOutputVolume();
  player::Notify(player::Change::VolumeChanged);
  if (!silent) Speak(std::to_string(value) + "%", Lang("Say.Volume"));
}

void SetMute(int mode, bool silent) {
  if (mode < 0) mode = (OutputState().MuteFlags & 1) ? 0 : 1;
  if (mode) OutputState().MuteFlags |= 1;
  else OutputState().MuteFlags &= ~1;
  TheShell().SetMenuItemChecked(cmd::VolumeMute, mode != 0);
  TheShell().SetMenuItemChecked(cmd::HotkeyVolumeMute, mode != 0);
  ApplyOutputVolume();
  player::Notify(player::Change::VolumeChanged);
  if (!silent) Speak(Lang(mode ? "Msg\\Mute.Enabled" : "Msg\\Mute.Disabled"));
}

void StopCommand(bool resetSelected) {
  if (resetSelected && IsBookProfile()) {
    const int32_t id = SelectedTrackID(PlayListRows());
    if (id != 0 && id != OutputChannel().Track.ID) {
      if (::Track* t = FindTrack(id)) {
        t->Start = 0;
        SetRowText(PlayListRows(), id, ColumnText(3, *t), 3);
      }
    }
  }
  OutputPlay(nullptr, true);
  RefreshStates();
  UpdatePlayControls();
  PauseCommand(0, true);
  UpdateNextPrevItems();
}

namespace {
float& TempoSlot() { return IsBookProfile() ? OutputChannel().Track.Tempo : OutputState().GlobalTempo; }
float& PitchSlot() { return IsBookProfile() ? OutputChannel().Track.Pitch : OutputState().GlobalPitch; }
}  // namespace

float SetTempo(float value, float delta, bool silent) {
  float& slot = TempoSlot();
  if (delta != 0) value = slot + delta;
  value = std::clamp(value, -50.0f, 100.0f);
  slot = value;
  ApplyTempo();
  player::Notify(player::Change::TempoChanged);
  if (!silent) Speak(std::to_string(std::lround(value)), Lang("Say.Tempo"));
  return value;
}

float SetPitch(float value, float delta, bool silent) {
  float& slot = PitchSlot();
  if (delta != 0) value = slot + delta;
  value = std::clamp(value, -10.0f, 10.0f);
  slot = value;
  ApplyPitch();
  player::Notify(player::Change::TempoChanged);
  if (!silent) Speak(OneDecimal(value), Lang("Say.Pitch"));
  return value;
}

namespace {
void SayPositionAfterMove(int ok) {
  PositionInfo info;
  if (ok && OutputPositionInfo(info)) {
    Speak(std::to_string(info.Percent) + "%, " + FormatTime(info.PositionSeconds, TemplateText(setting::SayTime)),
          Lang("Say.Position"));
  } else {
    Speak(Lang("Say.PositionCantMove"));
  }
}
}  // namespace

void MovePosition(int32_t delta) {
  SayPositionAfterMove(delta != 0 ? OutputSeekSeconds(delta, true)
                                  : OutputSeekPercent(TheShell().GetGadgetState(gadget::MainWindow, gadget::Position)));
}

void MovePositionTo(int64_t seconds) { SayPositionAfterMove(OutputSeekSeconds(seconds, false)); }

void GoToPosition() {
  PositionInfo info;
  if (!OutputPositionInfo(info)) return;
  const char* tmpl = "[%hhh][%iim]%sss";
  const double len = info.LengthSeconds;
  std::string choices = FormatTime(info.PositionSeconds, tmpl);
  for (double part : {0.25, 0.5, 0.75}) choices += "\t" + FormatTime(std::lround(len * part), tmpl);
  choices += "\t+10%\t-10%\t+30s\t-30s";
  std::string answer = choices;
  if (!TheShell().InputRequester(Lang("Title.GoToPosition"), Lang("Msg.GoToPosition"), answer)) return;
  if (answer.empty() || answer == "\x1b") return;
  const int64_t target = ParseTimeExpression(answer, info.PositionSeconds, info.LengthSeconds);
  if (target != info.LengthSeconds) OutputSeekSeconds(target, false);
}

void EnterChildWindow() {
  OutputState().SavedMuteFlags = OutputState().MuteFlags;
  if (GetMWFlag(setting::OutputLowVolumeInChildWindow)) SetMute(1, true);
  MonitorStateType& m = MonitorState();
  m.SavedVolume = GetMWNumber(setting::MonitorVolume);
  if (GetMWFlag(setting::MonitorLowVolumeInChildWindow)) SetMonitorVolume(GetMWNumber(setting::MonitorLowVolume));
  m.SavedAutoFlags = m.AutoFlags;
}

void LeaveChildWindow() {
  if (GetMWFlag(setting::OutputLowVolumeInChildWindow) && !((OutputState().SavedMuteFlags & 1) && (OutputState().MuteFlags & 1)))
    SetMute(0, true);
  MonitorStateType& m = MonitorState();
  if (GetMWFlag(setting::MonitorLowVolumeInChildWindow)) SetMonitorVolume(m.SavedVolume);
  if ((m.AutoFlags & 1) && !(m.SavedAutoFlags & 1)) {
    m.AutoFlags &= ~1;
    MonitorPause(1);
    RefreshMonitorMenu();
  }
}
