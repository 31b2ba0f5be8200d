// The played-tracks window (window 3400): the history, replaying the newest entry by itself
// two seconds after the user last did something, unless the previous-track key came again.
#pragma once
#include <cstdint>

// Runs the window; the ID of the history entry to replay, or 0.
int32_t OpenPlayedListWindow();
