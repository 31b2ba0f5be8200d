// Global hotkeys: their registration with the system (with its log lines) and the dispatcher
// of the ten global commands. The system's side sits behind HotkeyBackend, so the rules here
// run without a display.
#pragma once
#include <cstdint>

#include "access/Shortcuts.h"

// The system's hotkey modifiers.
inline constexpr int kHotkeyAlt = 1;
inline constexpr int kHotkeyCtrl = 2;
inline constexpr int kHotkeyShift = 4;
inline constexpr int kHotkeyWin = 8;

// The system's modifiers of a shortcut code.
int HotkeyModifiers(int32_t code);

// What the system offers: a hotkey under an identifier (the command number). Both return
// true on success.
class HotkeyBackend {
 public:
  virtual ~HotkeyBackend() = default;
  virtual bool RegisterHotKey(int32_t command, int modifiers, int virtualKey) = 0;
  virtual bool UnregisterHotKey(int32_t command) = 0;
};

// The global hotkeys of the program, logged as they come and go. Without a backend (no
// system hotkeys where the program runs) every registration fails and says so in the log.
class SystemHotkeys : public GlobalHotkeys {
 public:
  explicit SystemHotkeys(HotkeyBackend* backend = nullptr) : backend_(backend) {}
  void SetBackend(HotkeyBackend* backend) { backend_ = backend; }
  void AddGlobalShortcut(int window, int32_t code, int32_t command) override;
  void RemoveGlobalKeyboardShortcut(int window, int32_t command) override;

 private:
  HotkeyBackend* backend_;
};

// Carries out global command 156..165; other numbers do nothing.
void HandleGlobalHotkey(int32_t command);
