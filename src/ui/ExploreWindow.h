// The file explorer window: one list of places and entries, the filter, the place shown,
// and the add, back and close buttons. Its logic is the Explorer of the play list layer.
#pragma once
#include <cstdint>
#include <string>

class wxWindow;

// Opens the explorer over parent on place ("" = the drive list); the ID of the first track
// added to the play list while it was open, or 0.
int32_t ExplorerWindow(const std::string& place, wxWindow* parent);
// The commands that open it: the two File menu items and the recent play lists (other
// commands do nothing).
void OpenExplorerFor(int command);
