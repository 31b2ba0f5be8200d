// System-wide hotkeys registered with Windows (RegisterHotKey). The X11 desktop's grabs live
// with the toolkit in the windows' layer; this is built for Windows only.
#pragma once
#include <cstdint>
#include <functional>

namespace platform {

// Modifiers as the access layer gives them: 1 Alt, 2 Ctrl, 4 Shift, 8 Windows key.
// Each registration belongs to the calling thread: its presses come back to pressed on that
// thread's message loop, so call these on the thread that runs the windows.
bool RegisterSystemHotkey(int32_t id, int modifiers, int virtualKey);
bool UnregisterSystemHotkey(int32_t id);
void SetSystemHotkeyHandler(std::function<void(int32_t id)> pressed);

}  // namespace platform
