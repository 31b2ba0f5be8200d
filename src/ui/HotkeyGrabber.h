// System-wide hotkeys: on X11 each one is a passive grab of its key on the root window, under
// every NumLock/CapsLock state, so it reaches the player whatever window has the focus; on
// Windows the system's registered hotkeys.
#pragma once

// Plugs the global hotkeys into the program: registrations go to the X server or to Windows (or
// fail and are logged where there is neither: Wayland, no display), and their key presses come back on
// the main loop to the global-hotkey dispatcher. Call once the toolkit is up, before the main
// window's shortcuts are installed.
void InstallGlobalHotkeys();

class wxWindow;
// Whether the keyboard focus is in the top-level window: asked of the X server, which still
// knows it while a grabbed hotkey is down (the toolkit then believes the window lost it).
bool HasKeyboardFocus(wxWindow* topLevel);
