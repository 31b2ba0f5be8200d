#include "access/Shortcuts.h"

#include <map>

#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "settings/Settings.h"

namespace {

struct Tables {
  std::map<int, std::vector<WindowShortcut>> shortcuts;
  std::map<int, std::vector<WindowTimer>> timers;
  GlobalHotkeys* hotkeys = nullptr;
};
Tables& W() {
  static Tables t;
  return t;
}

GlobalHotkeys& Hotkeys() {
  static GlobalHotkeys none;
  return W().hotkeys ? *W().hotkeys : none;
}

std::string KeyPart(int vk) {
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk));
  if (vk >= '0' && vk <= '9') return std::string(1, static_cast<char>(vk));
  if (vk >= 96 && vk <= 105) return Lang("Key.Pad") + std::to_string(vk - 96);
  if (vk >= 112 && vk <= 135) return "F" + std::to_string(vk - 111);
  static const std::map<int, const char*> named = {
      {8, "Key.Back"},      {9, "Key.Tab"},       {12, "Key.Clear"},    {13, "Key.Return"},
      {19, "Key.Pause"},    {20, "Key.Capital"},  {27, "Key.Escape"},   {32, "Key.Space"},
      {33, "Key.Prior"},    {34, "Key.Next"},     {35, "Key.End"},      {36, "Key.Home"},
      {37, "Key.Left"},     {38, "Key.Up"},       {39, "Key.Right"},    {40, "Key.Down"},
      {42, "Key.Print"},    {44, "Key.Snapshot"}, {45, "Key.Insert"},   {46, "Key.Delete"},
      {93, "Key.Apps"},     {106, "Key.Multiply"}, {107, "Key.Add"},    {108, "Key.Separator"},
      {109, "Key.Subtract"}, {110, "Key.Decimal"}, {111, "Key.Divide"}, {144, "Key.Numlock"},
      {222, "Key.Pow2"},
  };
  auto it = named.find(vk);
  return it == named.end() ? std::string() : Lang(it->second);
}

bool IsShortcutSetting(const Setting& s) { return s.Type == kSettingShortcut || s.Type == kSettingHotkey; }

int32_t CodeOf(const Setting& s) { return text::ParseInt(s.Value); }

}  // namespace

std::string KeyName(int32_t code) {
  std::string mods;
  if (code & kModAlt) mods += Lang("Key.Alt") + "+";
  if (code & kModCtrl) mods += Lang("Key.Ctrl") + "+";
  if (code & kModShift) mods += Lang("Key.Shift") + "+";
  if (code & kModWin) mods += Lang("Key.Win") + "+";
  std::string key = KeyPart(code & 0xFF);
  if (!key.empty()) return mods + key;
  if (!mods.empty()) mods.pop_back();
  return mods;
}

bool IsGlobalCapable(int32_t code) {
  if (code & kModWin) return true;
  if ((code & kModCtrl) && (code & kModAlt)) return true;
  return (code & kModAlt) && (code & kModShift);
}

void AddWindowShortcut(int window, int32_t code, int32_t command) {
  auto& list = W().shortcuts[window];
  for (auto& s : list)
    if (s.code == code) {
      s.command = command;
      return;
    }
  list.push_back({code, command});
}

void RemoveWindowShortcut(int window, int32_t code) {
  auto& list = W().shortcuts[window];
  std::erase_if(list, [&](const WindowShortcut& s) { return s.code == code; });
}

const std::vector<WindowShortcut>& WindowShortcuts(int window) { return W().shortcuts[window]; }

int32_t ShortcutCommand(int window, int32_t code) {
  if (code == 0) return 0;
  for (const auto& s : W().shortcuts[window])
    if (s.code == code) return s.command;
  return 0;
}

const std::vector<WindowTimer>& WindowTimers(int window) { return W().timers[window]; }

void ForgetWindow(int window) {
  W().shortcuts.erase(window);
  W().timers.erase(window);
}

void ResetWindowShortcuts() {
  W().shortcuts.clear();
  W().timers.clear();
}

void SetGlobalHotkeys(GlobalHotkeys* hotkeys) { W().hotkeys = hotkeys; }

void InstallWindowShortcuts(int window, const std::string& prefix) {
  for (const auto& s : SettingsList()) {
    if (!IsShortcutSetting(s)) continue;
    bool selected = prefix.empty() ? s.Window == window : text::StartsWithNoCase(s.Name, prefix);
    if (!selected) continue;
    int32_t code = CodeOf(s);
    if (s.Type == kSettingHotkey && IsGlobalCapable(code))
      Hotkeys().AddGlobalShortcut(window, code, s.Id);
    else
      AddWindowShortcut(window, code, s.Id);
  }
}

void RemoveWindowShortcuts(int window) {
  for (const auto& s : SettingsList()) {
    if (!IsShortcutSetting(s) || s.Window != window) continue;
    int32_t code = CodeOf(s);
    if (s.Type == kSettingHotkey && IsGlobalCapable(code))
      Hotkeys().RemoveGlobalKeyboardShortcut(window, s.Id);
    else
      RemoveWindowShortcut(window, code);
  }
}

void InstallMainShortcuts() {
  InstallWindowShortcuts(kShortcutMainWindow, "");
  AddWindowShortcut(kShortcutMainWindow, kVkApps, kCommandContextMenu);
  AddWindowShortcut(kShortcutMainWindow, kModShift + kVkF10, kCommandContextMenu);
  AddWindowShortcut(kShortcutMainWindow, kVkReturn, kCommandReturn);
  ShowShortcutsInMenu(kMenuMain);
  ShowShortcutsInMenu(kMenuSystray);
}

void SetupChildWindow(int window) {
  auto& timers = W().timers[window];
  timers.clear();
  timers.push_back({kTimerSyncEvents, 500});
  timers.push_back({kTimerMonitorRepeat, 300});
  InstallWindowShortcuts(window, "Monitor\\Shortcut.");
  InstallWindowShortcuts(window, "Output\\Shortcut.");
  InstallWindowShortcuts(window, "WMP\\Shortcut.");
  // Previous/next track from the played list would act on the list being shown.
  if (window != kShortcutPlayedListWindow) InstallWindowShortcuts(window, "Track\\Shortcut.");
}

void ShowShortcutsInMenu(int menu) {
  Shell& shell = TheShell();
  for (const auto& s : SettingsList()) {
    if (!IsShortcutSetting(s) || s.Menu != menu) continue;
    std::string t = shell.GetMenuItemText(s.Id);
    // No text: the item is not there (or the shell cannot read it); writing a bare key text
    // would make one up.
    if (t.empty()) continue;
    size_t tab = t.find('\t');
    if (tab != std::string::npos) t.erase(tab);
    int32_t code = CodeOf(s);
    if (code != 0) t += "\t" + KeyName(code);
    shell.SetMenuItemText(s.Id, t);
  }
}

int32_t AddMnemonicShortcut(const std::string& label, int window, int32_t command) {
  size_t amp = label.find('&');
  if (amp == std::string::npos || amp + 1 >= label.size()) return 0;
  char c = label[amp + 1];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return 0;
  AddWindowShortcut(window, kModAlt + c, command);
  AddWindowShortcut(window, c, command);
  return c;
}
