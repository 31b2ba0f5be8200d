// One running copy per user and desktop: a second start brings the first copy's main window
// forward and ends before it writes anything.
#pragma once
#include <cstdint>
#include <string>

inline constexpr const char* kInstanceName = "Tondrial-OnlyOneInstance";
inline constexpr const char* kMainWindowClass = "WindowClass_0";
// Hand-over code: show the main window.
inline constexpr uint32_t kHandOverShow = 1;
// How long a second copy waits for the first one to handle the hand-over.
inline constexpr int kHandOverWaitMs = 5000;

// Start-up step: returns only when this copy may run; otherwise the process ends (code 0).
void CheckSingleInstance();
// Tests end their copies another way (a forked child must not run the parent's exit handlers).
void SetInstanceExit(void (*end)(int code));

// The address of the first main window whose title matches pattern and whose class is
// className (any class when empty); "" when none.
std::string FindWindowByTitle(const std::string& pattern, const std::string& className);
// "*" at both ends, at one end, or none: the title contains the rest, or equals the pattern
// (letter case and surrounding spaces ignored).
bool TitleMatches(const std::string& pattern, const std::string& title);

// Opens the main window's hand-over channel (start-up, once the main window exists).
bool InstallMainWindowHook();
// Handles the hand-over messages waiting; the UI calls it when the channel has a caller (or
// from a short timer where it cannot watch the channel).
void PollMainWindowHook();
// The channel's handle, a descriptor the main loop can watch for callers; -1 when closed.
int MainWindowHookHandle();
// One message: logged, and code 1 brings the main window back. Returns the answer (0).
int32_t MainWindowHook(uint32_t code, const std::string& text);
// Closes the channel and the lock (shutdown).
void ReleaseSingleInstance();
