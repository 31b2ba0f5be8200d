// Pre-listening on the second device: plays the track selected in the focused list, with its
// own volume and effect set, no tempo, no fades and no next track. A double press of the play
// command switches on auto-play: each new selection plays from a third of its length.
#pragma once
#include <cstdint>
#include <functional>

#include "playlist/Track.h"

struct MonitorStateType {
  int32_t AutoFlags = 0;  // bit 0: auto-play
  int32_t SavedVolume = 0;
  int32_t SavedAutoFlags = 0;
};
MonitorStateType& MonitorState();
// Set to 4 by each play command, lowered by timer 3.
int32_t& MonitorRepeatCounter();
void CountDownMonitorRepeat();

// What the focused list has selected. elsewhere: the call comes from a window that is not a
// list (track properties, Monitor settings, effects), whose source is the play list.
struct MonitorSelection {
  bool found = false;
  ::Track track;
  bool elsewhere = false;
};
// null: the play list's selected row.
void SetMonitorSource(std::function<MonitorSelection()> source);
// The source set last (empty: the play list's selected row), to put back after a change.
const std::function<MonitorSelection()>& CurrentMonitorSource();
// While a window that is no list of its own is open (the Monitor settings, a track's
// properties), the Monitor play key takes the play list's selection and does not count
// towards a double press; the source set before comes back at the end.
class PlayListMonitorSource {
 public:
  PlayListMonitorSource();
  ~PlayListMonitorSource();
  PlayListMonitorSource(const PlayListMonitorSource&) = delete;
  PlayListMonitorSource& operator=(const PlayListMonitorSource&) = delete;

 private:
  std::function<MonitorSelection()> previous_;
};

void MonitorPlayCommand(bool followSelection);
// The selection of the play list, the played list or the explorer changed: in auto-play the new
// selection plays at once; otherwise nothing happens.
void MonitorFollowSelection();
// A network stream connects in the background and plays once it is there (1 meanwhile).
int MonitorPlay(const ::Track& track);
// The decoding stream of the Monitor's network track has connected (0: failed with error).
void MonitorStreamOpened(uint32_t decoding, int error);
// Pre-listening at a chosen point (the properties window): when the Monitor does not hold the
// play list's track `id` yet it starts it, then moves it to `seconds` (kept inside the track)
// and plays on from there. 1 when it plays; 0 when the track is not in the play list.
int MonitorPreListen(int32_t id, int32_t seconds);
// The Monitor's stream is playing (neither paused, stopped nor ended).
bool IsMonitorPlaying();
// 1 when paused now: mode -1 toggles, 0 resumes, other values pause.
int MonitorPause(int mode);
// Commands 211 and 212: auto-play off first.
void MonitorPauseCommand();
void MonitorStop();
int32_t SetMonitorVolume(int32_t value);
void RefreshMonitorMenu();

void ResetMonitor();
