// The rows of the play list (gadget 22) and the commands that act on them. The rows model
// is what the UI shows; each row's data is its track's ID, the only link to the record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/ListModel.h"
#include "app/Shell.h"
#include "playlist/Track.h"

inline constexpr int kPlayListColumns = 6;

// The play list's rows: one model for the whole run.
ListModel& PlayListRows();
// Sets the six columns with their headings (each 10 wide until the layout fits them).
void CreatePlayListView();

// Row texts.
std::string StateText(const Track& t);
std::string BookProgressText(const Track& t);
std::string ColumnText(int column, const Track& t);
// The six column texts, each followed by a line feed.
std::string TrackRowText(const Track& t);

// Rows. Indices from 0.
int32_t SelectedTrackID(const ListModel& view);
int RowOfTrack(const ListModel& view, int32_t id);
// text: column texts separated by line feeds. The new row becomes the only selected one.
// Returns its index, or -1 when no row was added.
int InsertRow(ListModel& view, const std::string& text, int position, int32_t id);
int InsertTrackRow(int32_t id, int position);
// Row index + 1, or 0 when the track has no row.
int SetRowText(ListModel& view, int32_t id, const std::string& text, int column);
int SelectTrackRow(ListModel& view, int32_t id, int fallback);
void RefreshStates();
void RefreshRow(int32_t id);

// Record operations that follow the rows.
void RemovePlayedTracks();
void ClearPlayList();
void SyncOrder();

// Commands.
int MenuItemAvailable(int item);
void DeleteSelectedTracks();
void MoveSelectedTracks(int direction);
void ToggleLoopMark();

// The items of the track context menu as they would be shown now.
std::vector<PopupItem> TrackMenuEntries();
// 1 when the menu was shown (play list focused and not empty), else 0.
int ShowTrackMenu();

void PlayTrack(int32_t id, bool stop);
// automatic: the end of a track started it, not the user; a track that cannot be played is
// then said once and passed over for the following playable one.
void PlayNextTrack(bool automatic = false);
// For tracks whose stream opens after OutputPlay returned: true while the automatic next track
// is being started; a failure reported later goes on as PlayNextTrack (automatic) would.
bool AutomaticPlayInProgress();
void AutomaticTrackFailed(int32_t id);
// A track really started: the tracks skipped so far may be tried again.
void TrackStarted();
// The next-track command from the keyboard: looping off (spoken), then the next track.
void NextTrackCommand();
void OpenTrackProperties();
// The properties window; it answers true when the user confirmed. Installed by that window's module.
using TrackPropertiesWindow = bool (*)(int32_t id);
void SetTrackPropertiesWindow(TrackPropertiesWindow window);

void UpdatePlayControls();
void UpdateNextPrevItems();

// The commands of the play list and its context menu (191, 184, 185, 231..235); false for others.
bool PlayListCommand(int id);

// The random source of the next-track choice (tests fix it): returns 0..count-1.
using RandomPick = int (*)(int count);
void SetRandomPick(RandomPick pick);
