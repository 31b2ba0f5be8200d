// Plugs the player into the program: the play list's engine port, the common keys and timers,
// the status texts, the start-up step, the display timer and the go-to-position command.
#pragma once

// Chains onto the hooks already installed. Install after the play list's hooks, so the start-up
// runs: library versions and effect sets, the play list's profile, then the Output volume.
void InstallPlaybackHooks();
// Hands the library versions to the log ("Bass Version = ", "Bass_FX Version = ").
void LogLibraryVersions();
// The player's share of the menu dispatch: true when it handled id.
bool PlaybackMenuCommand(int id);
