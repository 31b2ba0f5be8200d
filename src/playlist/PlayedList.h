// Going back through the history of the Output, and saving the play list or the history.
#pragma once
#include <cstdint>

// Replays the newest history entry (quick), or opens the history window to choose one (where
// no window is installed, as in a program without a screen, it replays at once). Nothing
// happens with an empty history. 1 when a track was started.
int PreviousTrack(bool quick);
// Replays the history record with this ID; 1 when a track was started.
int ReplayPlayedTrack(int32_t id);

enum class SavedList { PlayList, PlayedList };
// Asks for a file name and writes the list as an extended M3U (".M3U" added when missing).
void SaveListCommand(SavedList which);

// Commands 175, 176 of the menus; true when handled.
bool PlayedListCommand(int id);
