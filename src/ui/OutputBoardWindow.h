// The Output board window: volume slider, tempo and pitch spinners, the Output's effect set.
#pragma once

class wxWindow;

// Modal over parent; the Output's volume is not lowered while it is open.
void OpenOutputBoard(wxWindow* parent);
