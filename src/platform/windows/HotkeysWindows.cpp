// Hotkeys go to a message-only window of the calling thread: WM_HOTKEY is then dispatched by
// whatever message loop that thread runs (the toolkit's), with no loop of our own.
#include <windows.h>

#include <map>

#include "platform/Hotkeys.h"

namespace platform {
namespace {

std::function<void(int32_t)>& Handler() {
  static std::function<void(int32_t)> handler;
  return handler;
}

// Our identifiers stay ours; the system's are 0 to 0xBFFF for a program.
std::map<int32_t, int>& Ids() {
  static std::map<int32_t, int> ids;
  return ids;
}

LRESULT CALLBACK HotkeyProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_HOTKEY) {
    for (const auto& [id, system] : Ids())
      if (system == int(wParam) && Handler()) {
        Handler()(id);
        break;
      }
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

HWND Window() {
  static HWND window = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HotkeyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TondrialHotkeys";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }();
  return window;
}

}  // namespace

bool RegisterSystemHotkey(int32_t id, int modifiers, int virtualKey) {
  HWND w = Window();
  if (!w || Ids().count(id) || virtualKey <= 0 || virtualKey > 0xFE) return false;
  // Held down, a hotkey repeats, as the X11 grabs do (a volume key held keeps turning).
  UINT mods = 0;
  if (modifiers & 1) mods |= MOD_ALT;
  if (modifiers & 2) mods |= MOD_CONTROL;
  if (modifiers & 4) mods |= MOD_SHIFT;
  if (modifiers & 8) mods |= MOD_WIN;
  int system = 1;
  for (const auto& entry : Ids())
    if (entry.second >= system) system = entry.second + 1;
  if (!RegisterHotKey(w, system, mods, UINT(virtualKey))) return false;
  Ids()[id] = system;
  return true;
}

bool UnregisterSystemHotkey(int32_t id) {
  auto it = Ids().find(id);
  if (it == Ids().end()) return false;
  UnregisterHotKey(Window(), it->second);
  Ids().erase(it);
  return true;
}

void SetSystemHotkeyHandler(std::function<void(int32_t)> pressed) { Handler() = std::move(pressed); }

}  // namespace platform
