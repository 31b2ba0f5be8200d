// The player's share of the program: the play list's engine port, the common keys and timers,
// the status texts, the effect targets and the display's listener (ConnectPlayback), and its
// steps of start-up, dispatch and display timer (PlaybackFeature).
#pragma once
#include "app/AppHooks.h"

// Plugs the player's ports and the display's listener in (again: the old ones are replaced).
void ConnectPlayback();
// Back to the silent ports, no display listener.
void DisconnectPlayback();
// Empties the playback state at start-up, logs the library versions at the audio start, carries
// out the common keys and timers 2 and 3 (stage a), the go-to-position command (stage b) and
// the position display of timer 4.
Feature PlaybackFeature();
// The audio start's last step: the stored Output volume, silently.
void SetStartVolume();
// Hands the library versions to the log ("Bass Version = ", "Bass_FX Version = ").
void LogLibraryVersions();
// Stage a: the common keys and timers (negative ids); true when handled.
bool PlaybackCommonEvent(int id, bool fromMainWindow);
// The player's share of the menu dispatch: true when it handled id.
bool PlaybackMenuCommand(int id);
