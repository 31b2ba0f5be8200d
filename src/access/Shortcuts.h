// Key names, and the shortcuts installed on each window as data: the UI turns a window's
// table into its accelerators (codes are mapped to toolkit keys there, and only there).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "access/ShortcutTable.h"

inline constexpr int kShortcutMainWindow = 0;
inline constexpr int kShortcutPlayedListWindow = 3400;

// Virtual-key codes of the keys windows handle themselves.
inline constexpr int32_t kVkBack = 8, kVkTab = 9, kVkReturn = 13, kVkEscape = 27, kVkSpace = 32, kVkPageUp = 33,
                         kVkPageDown = 34, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkF1 = 112;

// Fixed main-window keys and their commands.
inline constexpr int32_t kVkApps = 93;
inline constexpr int32_t kVkF10 = 121;
inline constexpr int32_t kCommandContextMenu = 229;
inline constexpr int32_t kCommandReturn = 222;

// Timers a child window runs so playback goes on while it is open.
inline constexpr int kTimerSyncEvents = 2;     // every 500 ms
inline constexpr int kTimerMonitorRepeat = 3;  // every 300 ms

// "Alt+Ctrl+O" with the language's modifier and key texts; "" for 0.
std::string KeyName(int32_t code);
// Win, or Ctrl with Alt, or Alt with Shift: a combination the system may take as a hotkey.
bool IsGlobalCapable(int32_t code);

struct WindowShortcut {
  int32_t code;     // 0 never fires
  int32_t command;  // sent to the window as a menu event
};
struct WindowTimer {
  int id;
  int milliseconds;
};

// One window's shortcuts in the order they were first added. Adding a code again replaces
// its command; so the last entry added for a key is the one that fires.
void AddWindowShortcut(int window, int32_t code, int32_t command);
void RemoveWindowShortcut(int window, int32_t code);
const std::vector<WindowShortcut>& WindowShortcuts(int window);
// The command a key pressed in the window sends, or 0.
int32_t ShortcutCommand(int window, int32_t code);
const std::vector<WindowTimer>& WindowTimers(int window);
// The window closed: its shortcuts and timers end with it.
void ForgetWindow(int window);
void ResetWindowShortcuts();  // every window (tests)

// Where global hotkeys go; the hotkey layer registers its own. The default keeps nothing.
class GlobalHotkeys {
 public:
  virtual ~GlobalHotkeys() = default;
  virtual void AddGlobalShortcut(int /*window*/, int32_t /*code*/, int32_t /*command*/) {}
  virtual void RemoveGlobalKeyboardShortcut(int /*window*/, int32_t /*command*/) {}
};
void SetGlobalHotkeys(GlobalHotkeys* hotkeys);  // null: the default

// Entries of the settings registry selected by key prefix (any window), or by their window
// when prefix is empty.
void InstallWindowShortcuts(int window, const std::string& prefix);
void RemoveWindowShortcuts(int window);
// The whole table, the fixed keys, and the key texts of the main and systray menus.
void InstallMainShortcuts();
// Timers 2 and 3 and the playback families of a child window.
void SetupChildWindow(int window);
// Writes each entry's key text after a tab in its menu item's text.
void ShowShortcutsInMenu(int menu);
// The letter after the first "&" works with and without Alt; its key code, or 0.
int32_t AddMnemonicShortcut(const std::string& label, int window, int32_t command);
