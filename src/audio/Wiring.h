// The composition root: every feature of the program plugged into start-up, the command
// dispatch, the timers and the quit step, in one ordered list (Wiring.cpp). The program and
// the tests build the same wiring; nothing else sets the application hooks.
#pragma once
#include <functional>

// What only the layer of the windows has. Empty members: none (a program without a screen).
struct ProgramSetup {
  std::function<void()> singleInstance;     // start-up: returns only when this copy may run
  std::function<bool(int id)> openWindow;   // a menu command that opens a window; true when it did
};

// Replaces any earlier wiring.
void WireProgram(const ProgramSetup& setup = {});
// Empty hooks, silent ports, no display listener (end of the program, tests).
void UnwireProgram();
