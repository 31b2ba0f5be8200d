#include "audio/PlayerFacade.h"

#include "audio/Monitor.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audiolib/AudioLib.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedList.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace player {

namespace {
int64_t Micros(uint32_t h, int64_t bytes) {
  return static_cast<int64_t>(alib::ChannelBytes2Seconds(h, bytes) * 1e6 + 0.5);
}
}  // namespace

State Status() {
  const uint32_t h = OutputChannel().Handle;
  if (!h) return State::Stopped;
  switch (alib::ChannelIsActive(h)) {
    case alib::kActivePaused: return State::Paused;
    case alib::kActiveStopped: return State::Stopped;
    default: return State::Playing;  // stalled streams count as playing: they go on by themselves
  }
}

int32_t TrackId() { return OutputChannel().Handle ? OutputChannel().Track.ID : 0; }

std::string Url() { return OutputChannel().Handle ? OutputChannel().Track.File : std::string(); }

std::string Title() { return OutputChannel().Handle ? TrackDisplayName(OutputChannel().Track) : std::string(); }

int64_t PositionMicros() {
  const uint32_t h = OutputChannel().Handle;
  if (!h) return 0;
  const int64_t bytes = alib::ChannelGetPosition(h, alib::kPosByte);
  return bytes < 0 ? 0 : Micros(h, bytes);
}

int64_t LengthMicros() {
  const uint32_t h = OutputChannel().Handle;
  if (!h) return -1;
  const int64_t bytes = alib::ChannelGetLength(h, alib::kPosByte);
  return bytes < 0 ? -1 : Micros(h, bytes);
}

int32_t Volume() { return GetMWNumber(setting::OutputVolume); }
int32_t MaxVolume() { return GetMWNumber(setting::OutputMaxVolume); }
bool Muted() { return (::OutputState().MuteFlags & 1) != 0; }
float Tempo() { return EffectiveTempo(); }
float Pitch() { return EffectivePitch(); }
bool MonitorPlaying() { return IsMonitorPlaying(); }

void PlaySelected() { PlayTrack(0, false); }

void Play() {
  switch (Status()) {
    case State::Paused: PauseCommand(0, false); break;
    case State::Stopped: PlaySelected(); break;
    case State::Playing: break;
  }
}

void Pause() {
  if (Status() == State::Playing) PauseCommand(1, false);
}

void TogglePause() { PauseCommand(-1, false); }
void Stop() { StopCommand(true); }
void Next() { NextTrackCommand(); }
void Previous() { PreviousTrack(true); }
void SeekBy(int32_t seconds) {
  if (seconds != 0) MovePosition(seconds);  // 0 would mean "where the slider is"
}
void SeekTo(int64_t seconds) { MovePositionTo(seconds); }
void SetVolume(int32_t percent) { SetOutputVolume(percent, 0, false); }
void ToggleMute() { SetMute(-1, false); }
void SetTempo(float percent) { ::SetTempo(percent, 0, false); }

}  // namespace player
