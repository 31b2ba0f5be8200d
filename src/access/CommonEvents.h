// The player commands and timers that work in every window.
#pragma once
#include <cstdint>

// The playback operations the common keys call; the playback layer registers its own.
// The default does nothing, so the keys are harmless before a player exists.
class CommonCommands {
 public:
  virtual ~CommonCommands() = default;
  // Timer 2: the queued playback events; timer 3: the Monitor's double-press counter.
  virtual void ProcessSyncEvents() {}
  virtual void CountDownMonitorRepeat() {}
  // Monitor, commands 210 to 214.
  virtual void MonitorPlaySelected() {}
  virtual void MonitorTogglePause() {}
  virtual void MonitorStop() {}
  virtual void MonitorLowVolume() {}
  virtual void MonitorHighVolume() {}
  // Output.
  virtual void ChangePitch(double /*semitones*/) {}
  virtual void ChangeTempo(double /*percent*/) {}
  virtual void ToggleTempoPitch() {}
  virtual void TogglePause() {}
  virtual void StopOutput() {}
  virtual void JumpPosition(int /*seconds*/) {}
  virtual void ToggleMute() {}
  virtual void StepVolume(int /*step*/) {}
  // Tracks.
  virtual void OpenPlayedListWindow() {}
  virtual void ReplayLastPlayed() {}
  virtual void SwitchLoopingOff() {}  // with its announcement
  virtual void StartNextTrack() {}
};
CommonCommands& TheCommonCommands();
void SetCommonCommands(CommonCommands* commands);  // null: the default

struct CommonEvent {
  enum Kind { Timer, Menu, Other } kind = Other;
  int32_t id = 0;  // timer number or command number
};

// True when the event was one of the common ones and was carried out; other commands are
// left to the window's own handling.
bool HandleCommonEvent(const CommonEvent& event, bool fromMainWindow);
