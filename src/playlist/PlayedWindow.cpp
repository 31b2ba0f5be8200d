#include "playlist/PlayedWindow.h"

#include "app/FileUtil.h"
#include "lang/Lang.h"
#include "playlist/PlayerPort.h"
#include "playlist/Track.h"

void FillPlayedWindowList(ListModel& rows) {
  rows.Clear();
  // The heading is not translated: the list has a single column.
  rows.SetColumns({{Lang("Played\\Column.Name"), 400}});
  for (const Track& t : PlayedList()) rows.InsertRow(-1, {fileutil::FilePart(t.File)}, t.ID);
}

void PlayedWindowState::Open(int64_t nowMs) {
  FillPlayedWindowList(rows_);
  if (rows_.Count() > 0) rows_.SelectOnly(rows_.Count() - 1);
  presses_ = 0;
  deadline_ = nowMs + kPlayedAutoPlayMs;
}

PlayedAction PlayedWindowState::Tick(int64_t nowMs) {
  if (nowMs < deadline_) return PlayedAction::None;
  deadline_ = nowMs + kPlayedAutoPlayMs;
  return presses_ == 0 ? PlayedAction::Play : PlayedAction::None;
}

PlayedAction PlayedWindowState::Command(int32_t command, PlayedControl focused, int64_t nowMs) {
  Activity(nowMs);
  switch (command) {
    case playedcmd::Previous: ++presses_; return PlayedAction::None;
    case playedcmd::Cancel: return PlayedAction::Cancel;
    case playedcmd::Play: return focused == PlayedControl::Cancel ? PlayedAction::Cancel : PlayedAction::Play;
    default: return PlayedAction::None;
  }
}

PlayedAction PlayedWindowState::Button(PlayedControl button, int64_t nowMs) {
  Activity(nowMs);
  if (button == PlayedControl::Play) return PlayedAction::Play;
  if (button == PlayedControl::Cancel) return PlayedAction::Cancel;
  return PlayedAction::None;
}

void PlayedWindowState::SelectionChanged(int64_t nowMs) {
  Activity(nowMs);
  int row = rows_.FirstSelected();
  if (row < 0 || !Player().IsMonitorPlaying()) return;
  // The Monitor plays play list tracks: an entry that left the list has nothing to play.
  if (FindTrack(static_cast<int32_t>(rows_.Data(row)))) Player().MonitorPlayTrack(static_cast<int32_t>(rows_.Data(row)));
}

int32_t PlayedWindowState::ChosenID() const {
  int row = rows_.FirstSelected();
  return row < 0 ? 0 : IsInPlayedList(static_cast<int32_t>(rows_.Data(row)));
}
