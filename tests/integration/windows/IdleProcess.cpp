// Stands in for a screen reader's process ("nvda.exe", "jfw.exe") in the process list: waits
// until it is ended.
#include <windows.h>

int main() {
  Sleep(INFINITE);
  return 0;
}
