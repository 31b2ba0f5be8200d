// Where the layers above the shell plug their work into start-up, the loop and the end.
// Each hook may be empty: the step then does nothing (a feature not present yet, or a test).
#pragma once
#include <functional>

struct AppHooks {
  // Start-up, right after the command line: returns only when this copy may run.
  std::function<void()> singleInstance;
  // Start-up: mark the playback state empty before settings are read.
  std::function<void()> prepareAudioState;
  // Start-up, last step: audio side, effect sets, recent menus, profile, volume.
  std::function<void()> startAudio;
  // Stage a of the dispatch: the commands that work in every window, and timers 2 and 3.
  // Timers arrive as negative ids (-2, -3). Returns true when it handled the command.
  std::function<bool(int id, bool fromMainWindow)> commonEvent;
  // Stage b, per owning feature: returns true when handled.
  std::function<bool(int id)> menuCommand;
  // Timer 4: the position bar, status text, systray information item and title.
  std::function<void()> refreshDisplay;
  // Quit: store the current profile.
  std::function<void()> profileExit;
  // Global hotkey commands 156..165.
  std::function<void(int id)> globalHotkey;
};

AppHooks& Hooks();
