// The remote control on the user's session bus: owns the well-known name, exports the object and
// turns calls and changes into messages. Calls arrive through the GUI thread's main loop.
#pragma once
#include "mpris/Mpris.h"

namespace mpris {

// Starts publishing once the session bus answers (without one, the player runs on and the log
// says so). A second copy running at the same time takes the name with an instance suffix.
// False only when the object could not be described.
bool StartRemoteControl(AppActions app);
// Releases the name and the object (the orderly end).
void StopRemoteControl();

}  // namespace mpris
