// Another program that holds a key combination (Ctrl+Alt and the key named on the command
// line) on the root window, until its standard input closes.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  KeyCode key = XKeysymToKeycode(d, XStringToKeysym(argv[1]));
  if (!key) return 1;
  XGrabKey(d, key, ControlMask | Mod1Mask, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
  XSync(d, False);
  std::puts("held");
  std::fflush(stdout);
  char c;
  while (read(0, &c, 1) > 0) {
  }
  XCloseDisplay(d);
  return 0;
}
