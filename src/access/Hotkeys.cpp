#include "access/Hotkeys.h"

#include "access/CommonEvents.h"
#include "access/Templates.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/Shell.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {
// The global command numbers (the systray menu's items).
enum : int32_t {
  kOnTopOrSystrayOut = 156, kPause, kVolumeMute, kVolumeUp, kVolumeDown, kNextTrack, kPrevTrack, kForward,
  kBackward, kInfo,
};

void ShowOrToggleMainWindow() {
  Shell& shell = TheShell();
  bool hide = false;
  if (GetMWFlag(setting::ToogleShortcutSystrayOut))
    hide = !App.HiddenInSystray && shell.IsMainWindowVisible() && shell.IsMainWindowActive();
  if (hide) {
    shell.HideMainWindow();
    App.HiddenInSystray = true;
  } else {
    App.HiddenInSystray = false;
    shell.RestoreMainWindow();
  }
}
}  // namespace

int HotkeyModifiers(int32_t code) {
  int m = 0;
  if (code & kModAlt) m |= kHotkeyAlt;
  if (code & kModCtrl) m |= kHotkeyCtrl;
  if (code & kModShift) m |= kHotkeyShift;
  if (code & kModWin) m |= kHotkeyWin;
  return m;
}

void SystemHotkeys::AddGlobalShortcut(int window, int32_t code, int32_t command) {
  int vk = code & 0xFF;
  if (vk == 0) return;
  bool ok = backend_ && backend_->RegisterHotKey(command, HotkeyModifiers(code), vk);
  AddLog(std::string(ok ? "- AddGlobalShortcut, " : "! Error AddGlobalShortcut, ") + " WindowID=" +
         std::to_string(window) + " HotKey=" + KeyName(code) + " MenuID=" + std::to_string(command));
}

void SystemHotkeys::RemoveGlobalKeyboardShortcut(int window, int32_t command) {
  bool ok = backend_ && backend_->UnregisterHotKey(command);
  AddLog(std::string(ok ? "- RemoveGlobalKeyboardShortcut," : "! Error RemoveGlobalKeyboardShortcut,") +
         " WindowID=" + std::to_string(window) + " MenuID=" + std::to_string(command));
}

void HandleGlobalHotkey(int32_t command) {
  CommonCommands& c = TheCommonCommands();
  switch (command) {
    case kOnTopOrSystrayOut: ShowOrToggleMainWindow(); break;
    case kPause: c.TogglePause(); break;
    case kVolumeMute: c.ToggleMute(); break;
    case kVolumeUp: c.StepVolume(10); break;
    case kVolumeDown: c.StepVolume(-10); break;
    case kNextTrack:
      c.SwitchLoopingOff();
      c.StartNextTrack();
      break;
    case kPrevTrack: c.ReplayLastPlayed(); break;
    case kForward: c.JumpPosition(10); break;
    case kBackward: c.JumpPosition(-10); break;
    case kInfo: SayStatus(); break;
    default: break;
  }
}
