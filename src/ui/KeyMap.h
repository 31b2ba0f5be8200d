// Key codes at the edge of the UI: wx key events to and from the stored virtual-key codes.
#pragma once
#include <cstdint>

class wxKeyEvent;

// The stored shortcut code (virtual key + modifier bits) of a key event; 0 for a lone modifier
// or a key without a code.
int32_t ShortcutCodeOf(const wxKeyEvent& e);
// Virtual-key code of a wx key code (0 when none).
int VirtualKeyOf(int wxKeyCode);
// The wx key code of a virtual-key code (0 when none), for showing shortcuts in menus.
int WxKeyOf(int virtualKey);
