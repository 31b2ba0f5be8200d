// The played-tracks window without its screen: the history as rows, the auto-play that starts
// the newest entry two seconds after the last thing the user did, unless the previous-track key
// was pressed again, and the choice the window ends with.
#pragma once
#include <cstdint>

#include "app/ListModel.h"

inline constexpr int kPlayedWindow = 3400;
namespace playedcmd {
inline constexpr int32_t Cancel = 3406;    // Escape
inline constexpr int32_t Play = 3408;      // Return
inline constexpr int32_t Previous = 3410;  // the previous-track key again
}  // namespace playedcmd
inline constexpr int64_t kPlayedAutoPlayMs = 2000;

enum class PlayedControl { List, Play, Cancel };
enum class PlayedAction { None, Play, Cancel };

// One row per history entry, oldest first: the file-name part, with the entry's ID as data.
void FillPlayedWindowList(ListModel& rows);

class PlayedWindowState {
 public:
  // Fills the rows, selects the newest and starts the auto-play timer.
  void Open(int64_t nowMs);
  ListModel& Rows() { return rows_; }
  // The timer's turn: Play once the period ran out with no repeated previous-track key.
  PlayedAction Tick(int64_t nowMs);
  // A key command of the window, with the control that has the focus.
  PlayedAction Command(int32_t command, PlayedControl focused, int64_t nowMs);
  PlayedAction Button(PlayedControl button, int64_t nowMs);
  // The list's selection changed (the rows already hold it): the Monitor follows while it plays.
  void SelectionChanged(int64_t nowMs);
  // Any other key or control event of the window: the user is still choosing.
  void Activity(int64_t nowMs) { deadline_ = nowMs + kPlayedAutoPlayMs; }
  // The history entry to replay: the selected row's, when it is still in the history; else 0.
  int32_t ChosenID() const;
  int Presses() const { return presses_; }

 private:
  ListModel rows_;
  int presses_ = 0;
  int64_t deadline_ = 0;
};

// The window: returns the ID of the history entry to replay, 0 when none was chosen.
using PlayedListWindow = int32_t (*)();
void SetPlayedListWindow(PlayedListWindow window);
