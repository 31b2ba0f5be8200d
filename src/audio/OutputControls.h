// The commands that act on the Output while it plays: volume, mute, pause, stop, tempo, pitch,
// position, and the lowering of both devices while a child window is open.
// The pause command and the tempo/pitch switch are the playback layer's (a track that starts
// uses them), with the state these commands keep.
#pragma once
#include <cstdint>

#include "audio/Playback.h"

// Values are absolute unless delta is not 0; silent: no announcement.
void SetOutputVolume(int32_t value, int32_t delta, bool silent);
// mode -1 toggles, 0 off, 1 on.
void SetMute(int mode, bool silent);
void StopCommand(bool resetSelected);
float SetTempo(float value, float delta, bool silent);
float SetPitch(float value, float delta, bool silent);
// delta 0 follows the position slider.
void MovePosition(int32_t delta);
// To an absolute second of the track (kept inside it), announced as MovePosition does.
void MovePositionTo(int64_t seconds);
void GoToPosition();
void EnterChildWindow();
void LeaveChildWindow();
