// Where the layers above the shell plug their work into start-up, the loop and the end.
// Each hook may be empty: the step then does nothing (a feature not present yet, or a test).
// The hooks are set in one place, the program's composition root, from an ordered list of
// features (InstallFeatures); no feature sets or wraps them itself.
#pragma once
#include <functional>
#include <vector>

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
  // Timer 4: the position bar and status text.
  std::function<void()> refreshDisplay;
  // Quit: abandon the streams still connecting, store the current profile.
  std::function<void()> profileExit;
  // Global hotkey commands 156..165.
  std::function<void(int id)> globalHotkey;
};

AppHooks& Hooks();

// One feature's share of the steps above; an empty member is no share.
struct Feature {
  std::function<void()> prepare{};                                 // prepareAudioState
  std::function<void()> start{};                                   // startAudio
  std::function<bool(int id, bool fromMainWindow)> commonEvent{};  // stage a
  std::function<bool(int id)> menuCommand{};                       // stage b
  std::function<void()> refreshDisplay{};                          // timer 4
  std::function<void()> exit{};                                    // profileExit
};

// Sets every hook from the features, in list order: a step runs each feature's share in turn;
// a command or timer goes to the features in turn and stops at the first that handles it.
// singleInstance and globalHotkey have one owner each and are left empty for the caller.
void InstallFeatures(std::vector<Feature> features);
