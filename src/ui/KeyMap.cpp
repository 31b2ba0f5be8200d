#include "ui/KeyMap.h"

#include <wx/event.h>

#include "access/ShortcutTable.h"

int VirtualKeyOf(int k) {
  if (k >= 'a' && k <= 'z') return k - 32;
  if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9')) return k;
  if (k >= WXK_F1 && k <= WXK_F24) return 112 + (k - WXK_F1);
  if (k >= WXK_NUMPAD0 && k <= WXK_NUMPAD9) return 96 + (k - WXK_NUMPAD0);
  switch (k) {
    case WXK_BACK: return 8;
    case WXK_TAB: return 9;
    case WXK_CLEAR: return 12;
    case WXK_RETURN: case WXK_NUMPAD_ENTER: return 13;
    case WXK_PAUSE: return 19;
    case WXK_CAPITAL: return 20;
    case WXK_ESCAPE: return 27;
    case WXK_SPACE: case WXK_NUMPAD_SPACE: return 32;
    case WXK_PAGEUP: case WXK_NUMPAD_PAGEUP: return 33;
    case WXK_PAGEDOWN: case WXK_NUMPAD_PAGEDOWN: return 34;
    case WXK_END: case WXK_NUMPAD_END: return 35;
    case WXK_HOME: case WXK_NUMPAD_HOME: return 36;
    case WXK_LEFT: case WXK_NUMPAD_LEFT: return 37;
    case WXK_UP: case WXK_NUMPAD_UP: return 38;
    case WXK_RIGHT: case WXK_NUMPAD_RIGHT: return 39;
    case WXK_DOWN: case WXK_NUMPAD_DOWN: return 40;
    case WXK_PRINT: case WXK_SNAPSHOT: return 44;
    case WXK_INSERT: case WXK_NUMPAD_INSERT: return 45;
    case WXK_DELETE: case WXK_NUMPAD_DELETE: return 46;
    case WXK_WINDOWS_MENU: case WXK_MENU: return 93;
    case WXK_MULTIPLY: case WXK_NUMPAD_MULTIPLY: return 106;
    case WXK_ADD: case WXK_NUMPAD_ADD: return 107;
    case WXK_SEPARATOR: case WXK_NUMPAD_SEPARATOR: return 108;
    case WXK_SUBTRACT: case WXK_NUMPAD_SUBTRACT: return 109;
    case WXK_DECIMAL: case WXK_NUMPAD_DECIMAL: return 110;
    case WXK_DIVIDE: case WXK_NUMPAD_DIVIDE: return 111;
    case WXK_NUMLOCK: return 144;
    case WXK_SCROLL: return 145;
    case ';': return 186;
    case '=': case '+': return 187;
    case ',': return 188;
    case '-': return 189;
    case '.': return 190;
    case '/': return 191;
    case '`': return 192;
    case '[': return 219;
    case '\\': return 220;
    case ']': return 221;
    case '\'': case 0xB2: return 222;  // "²" sits where the US quote key is
    default: return 0;
  }
}

int32_t ShortcutCodeOf(const wxKeyEvent& e) {
  int vk = VirtualKeyOf(e.GetKeyCode());
  if (vk == 0 && e.GetUnicodeKey() != WXK_NONE) vk = VirtualKeyOf(static_cast<int>(e.GetUnicodeKey()));
#ifdef __WXGTK__
  // With Shift, the toolkit reports "0" and "9" as ")" and "(" (it finds the keypad's parenthesis
  // keys first), and other layouts put symbols on the digit row: the row's X key codes, 10 to 19,
  // are the same on every layout.
  if (vk == 0) {
    const wxUint32 hw = e.GetRawKeyFlags();
    if (hw >= 10 && hw <= 19) vk = hw == 19 ? '0' : static_cast<int>('1' + (hw - 10));
  }
#endif
  if (vk == 0) return 0;
  int32_t code = vk;
  if (e.ShiftDown()) code += kModShift;
  if (e.RawControlDown()) code += kModCtrl;
  if (e.AltDown()) code += kModAlt;
  if (e.MetaDown()) code += kModWin;
  return code;
}

int WxKeyOf(int vk) {
  // The inverse of VirtualKeyOf: probe the keys it knows.
  static const int candidates[] = {WXK_BACK, WXK_TAB, WXK_CLEAR, WXK_RETURN, WXK_PAUSE, WXK_CAPITAL, WXK_ESCAPE,
                                   WXK_SPACE, WXK_PAGEUP, WXK_PAGEDOWN, WXK_END, WXK_HOME, WXK_LEFT, WXK_UP,
                                   WXK_RIGHT, WXK_DOWN, WXK_PRINT, WXK_INSERT, WXK_DELETE, WXK_WINDOWS_MENU,
                                   WXK_NUMPAD_MULTIPLY, WXK_NUMPAD_ADD, WXK_NUMPAD_SEPARATOR, WXK_NUMPAD_SUBTRACT,
                                   WXK_NUMPAD_DECIMAL, WXK_NUMPAD_DIVIDE, WXK_NUMLOCK, WXK_SCROLL,
                                   ';', '=', ',', '-', '.', '/', '`', '[', '\\', ']', '\''};
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  if (vk >= 112 && vk <= 135) return WXK_F1 + (vk - 112);
  if (vk >= 96 && vk <= 105) return WXK_NUMPAD0 + (vk - 96);
  for (int k : candidates)
    if (VirtualKeyOf(k) == vk) return k;
  return 0;
}
