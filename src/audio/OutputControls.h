// The commands that act on the Output while it plays: volume, mute, pause, stop, tempo, pitch,
// position, and the lowering of both devices while a child window is open.
#pragma once
#include <cstdint>

struct OutputStateType {
  int32_t MuteFlags = 0;       // bit 0: muted
  int32_t SavedMuteFlags = 0;  // as they were when the last child window opened
  float GlobalTempo = 0;       // percent, outside the Book profile
  float GlobalPitch = 0;       // semitones, outside the Book profile
};
OutputStateType& OutputState();

// Values are absolute unless delta is not 0; silent: no announcement.
void SetOutputVolume(int32_t value, int32_t delta, bool silent);
// mode -1 toggles, 0 off, 1 on.
void SetMute(int mode, bool silent);
// 1 when the Output is paused now; with refreshOnly only the caption and checks follow mode.
int PauseCommand(int mode, bool refreshOnly);
void StopCommand(bool resetSelected);
float SetTempo(float value, float delta, bool silent);
float SetPitch(float value, float delta, bool silent);
void SetTempoPitchEnabled(int mode, bool silent);
// delta 0 follows the position slider.
void MovePosition(int32_t delta);
// To an absolute second of the track (kept inside it), announced as MovePosition does.
void MovePositionTo(int64_t seconds);
void GoToPosition();
void EnterChildWindow();
void LeaveChildWindow();

void ResetOutputState();
