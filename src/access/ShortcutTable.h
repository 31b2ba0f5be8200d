// The configurable shortcuts: every command's setting key, command number and default code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Shortcut code: low byte the virtual-key code, plus the modifier bits.
inline constexpr int32_t kModShift = 65536;
inline constexpr int32_t kModCtrl = 131072;
inline constexpr int32_t kModAlt = 262144;
inline constexpr int32_t kModWin = 1048576;

// Menus that show a shortcut.
inline constexpr int32_t kMenuMain = 166;
inline constexpr int32_t kMenuSystray = 238;
inline constexpr int32_t kMenuTrackList = 230;
inline constexpr int32_t kMenuNone = -1;

struct ShortcutDef {
  std::string key;
  int32_t command;
  int32_t defaultCode;
  int32_t menu;
};

// The table in registration order (the numbered effect entries expanded).
const std::vector<ShortcutDef>& ShortcutTable();

// Registers every entry as a setting of the main window, before the other settings.
void RegisterShortcutSettings();
