#include "ui/HotkeyGrabber.h"

#include <wx/app.h>
#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif
#if defined(__WXGTK__) && defined(GDK_WINDOWING_X11)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>
#endif

#include <array>
#include <map>

#include "access/Hotkeys.h"
#ifdef __WXMSW__
#include "platform/Hotkeys.h"
#endif

namespace {

#if defined(__WXMSW__)
// Windows' own hotkeys, whose presses the toolkit's message loop delivers.
class SystemHotkeyBackend : public HotkeyBackend {
 public:
  SystemHotkeyBackend() {
    platform::SetSystemHotkeyHandler([](int32_t command) {
      // Carried out on the next turn of the main loop, like any other event.
      if (wxTheApp) wxTheApp->CallAfter([command] { HandleGlobalHotkey(command); });
    });
  }
  bool RegisterHotKey(int32_t command, int modifiers, int vk) override {
    return platform::RegisterSystemHotkey(command, modifiers, vk);
  }
  bool UnregisterHotKey(int32_t command) override { return platform::UnregisterSystemHotkey(command); }
};
#elif defined(GDK_WINDOWING_X11)
// The X keysym of a stored virtual-key code; 0 for a key X has no sym for.
KeySym KeySymOf(int vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= 96 && vk <= 105) return XK_KP_0 + (vk - 96);
  if (vk >= 112 && vk <= 135) return XK_F1 + (vk - 112);
  switch (vk) {
    case 8: return XK_BackSpace;
    case 9: return XK_Tab;
    case 12: return XK_Clear;
    case 13: return XK_Return;
    case 19: return XK_Pause;
    case 20: return XK_Caps_Lock;
    case 27: return XK_Escape;
    case 32: return XK_space;
    case 33: return XK_Prior;
    case 34: return XK_Next;
    case 35: return XK_End;
    case 36: return XK_Home;
    case 37: return XK_Left;
    case 38: return XK_Up;
    case 39: return XK_Right;
    case 40: return XK_Down;
    case 42: return XK_Print;
    case 44: return XK_Print;
    case 45: return XK_Insert;
    case 46: return XK_Delete;
    case 93: return XK_Menu;
    case 106: return XK_KP_Multiply;
    case 107: return XK_KP_Add;
    case 108: return XK_KP_Separator;
    case 109: return XK_KP_Subtract;
    case 110: return XK_KP_Decimal;
    case 111: return XK_KP_Divide;
    case 144: return XK_Num_Lock;
    case 145: return XK_Scroll_Lock;
    case 186: return XK_semicolon;
    case 187: return XK_equal;
    case 188: return XK_comma;
    case 189: return XK_minus;
    case 190: return XK_period;
    case 191: return XK_slash;
    case 192: return XK_grave;
    case 219: return XK_bracketleft;
    case 220: return XK_backslash;
    case 221: return XK_bracketright;
    case 222: return XK_apostrophe;
    default: return 0;
  }
}

class SystemHotkeyBackend : public HotkeyBackend {
 public:
  SystemHotkeyBackend() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return;
    gdk_ = display;
    dpy_ = GDK_DISPLAY_XDISPLAY(display);
    root_ = DefaultRootWindow(dpy_);
    numLock_ = ModifierOf(XK_Num_Lock);
    gdk_window_add_filter(nullptr, &SystemHotkeyBackend::Filter, this);
  }

  bool RegisterHotKey(int32_t command, int modifiers, int vk) override {
    if (!dpy_ || grabs_.count(command)) return false;
    KeySym sym = KeySymOf(vk);
    KeyCode key = sym ? XKeysymToKeycode(dpy_, sym) : 0;
    if (!key) return false;
    unsigned mods = 0;
    if (modifiers & kHotkeyAlt) mods |= Mod1Mask;
    if (modifiers & kHotkeyCtrl) mods |= ControlMask;
    if (modifiers & kHotkeyShift) mods |= ShiftMask;
    if (modifiers & kHotkeyWin) mods |= Mod4Mask;
    // A grab another client holds already is refused asynchronously: catch it here.
    gdk_x11_display_error_trap_push(gdk_);
    for (unsigned v : Variants()) XGrabKey(dpy_, key, mods | v, root_, False, GrabModeAsync, GrabModeAsync);
    XSync(dpy_, False);
    if (gdk_x11_display_error_trap_pop(gdk_) != 0) {
      Ungrab(key, mods);
      return false;
    }
    grabs_[command] = {key, mods};
    return true;
  }

  bool UnregisterHotKey(int32_t command) override {
    auto it = grabs_.find(command);
    if (!dpy_ || it == grabs_.end()) return false;
    Ungrab(it->second.key, it->second.mods);
    grabs_.erase(it);
    return true;
  }

 private:
  struct Grab {
    KeyCode key;
    unsigned mods;
  };

  // The lock keys must not stop a hotkey: grab it under each of their states.
  std::array<unsigned, 4> Variants() const { return {0u, unsigned(LockMask), numLock_, numLock_ | LockMask}; }

  void Ungrab(KeyCode key, unsigned mods) {
    gdk_x11_display_error_trap_push(gdk_);
    for (unsigned v : Variants()) XUngrabKey(dpy_, key, mods | v, root_);
    XSync(dpy_, False);
    gdk_x11_display_error_trap_pop_ignored(gdk_);
  }

  unsigned ModifierOf(KeySym sym) const {
    unsigned mask = 0;
    KeyCode code = XKeysymToKeycode(dpy_, sym);
    XModifierKeymap* map = XGetModifierMapping(dpy_);
    if (!map) return 0;
    for (int m = 0; m < 8 && code; ++m)
      for (int k = 0; k < map->max_keypermod; ++k)
        if (map->modifiermap[m * map->max_keypermod + k] == code) mask |= 1u << m;
    XFreeModifiermap(map);
    return mask;
  }

  static GdkFilterReturn Filter(GdkXEvent* raw, GdkEvent*, gpointer self) {
    auto* me = static_cast<SystemHotkeyBackend*>(self);
    auto* e = static_cast<XEvent*>(raw);
    if (e->type != KeyPress || e->xkey.window != me->root_) return GDK_FILTER_CONTINUE;
    unsigned state = e->xkey.state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    for (const auto& [command, grab] : me->grabs_) {
      if (grab.key != e->xkey.keycode || grab.mods != state) continue;
      int32_t c = command;
      // Carried out on the next turn of the main loop, like any other event.
      if (wxTheApp) wxTheApp->CallAfter([c] { HandleGlobalHotkey(c); });
      return GDK_FILTER_REMOVE;
    }
    return GDK_FILTER_CONTINUE;
  }

  GdkDisplay* gdk_ = nullptr;
  Display* dpy_ = nullptr;
  Window root_ = 0;
  unsigned numLock_ = 0;
  std::map<int32_t, Grab> grabs_;
};
#else
// No X11 here: no system hotkeys; each registration fails and is logged.
class SystemHotkeyBackend : public HotkeyBackend {
 public:
  bool RegisterHotKey(int32_t, int, int) override { return false; }
  bool UnregisterHotKey(int32_t) override { return false; }
};
#endif

}  // namespace

bool HasKeyboardFocus(wxWindow* topLevel) {
  auto* top = dynamic_cast<wxTopLevelWindow*>(topLevel);
  if (!top) return false;
#if defined(__WXGTK__) && defined(GDK_WINDOWING_X11)
  GdkDisplay* display = gdk_display_get_default();
  GtkWidget* widget = static_cast<GtkWidget*>(top->GetHandle());
  GdkWindow* own = widget ? gtk_widget_get_window(widget) : nullptr;
  if (display && GDK_IS_X11_DISPLAY(display) && own && GDK_IS_X11_WINDOW(own)) {
    Display* dpy = GDK_DISPLAY_XDISPLAY(display);
    Window target = GDK_WINDOW_XID(own);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    // The focus may sit on a window inside the top-level one: walk up to the root.
    while (focus != 0 && focus != PointerRoot && focus != target) {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(dpy, focus, &root, &parent, &children, &count)) break;
      if (children) XFree(children);
      if (parent == root) break;
      focus = parent;
    }
    return focus == target;
  }
#endif
  return top->IsActive();
}

void InstallGlobalHotkeys() {
  static SystemHotkeyBackend backend;
  static SystemHotkeys hotkeys(&backend);
  SetGlobalHotkeys(&hotkeys);
}
