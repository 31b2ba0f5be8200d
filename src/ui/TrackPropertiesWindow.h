// The track properties window (window 3800): alias, start and end of one play list track.
#pragma once
#include <cstdint>

// Edits the play list's track; true when the user confirmed (the track is written then only).
bool OpenTrackPropertiesWindow(int32_t id);
