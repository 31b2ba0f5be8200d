// The rows of the play list (gadget 22) and the commands that act on them. The rows model
// is what the UI shows; each row's data is its track's ID, the only link to the record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/ListModel.h"
#include "app/Shell.h"
#include "playlist/Track.h"

// Window and gadget numbers of the main window that the play list drives.
namespace gadget {
inline constexpr int kMainWindow = 0;
inline constexpr int kPlayButton = 2;
inline constexpr int kPauseButton = 4;
inline constexpr int kStopButton = 6;
inline constexpr int kRecordButton = 8;
inline constexpr int kPositionSlider = 18;
inline constexpr int kPlayList = 22;
}  // namespace gadget

// Command numbers of the play list and the items it enables.
namespace cmd {
inline constexpr int kPreviousTrack = 183;
inline constexpr int kNextTrack = 184;
inline constexpr int kProperties = 185;
inline constexpr int kPlay = 191;
inline constexpr int kPause = 192;
inline constexpr int kStop = 193;
inline constexpr int kGoToPosition = 205;
inline constexpr int kForward = 206;
inline constexpr int kBackward = 207;
inline constexpr int kTrackMenu = 230;
inline constexpr int kTrackDelete = 231;
inline constexpr int kTrackMoveUp = 232;
inline constexpr int kTrackMoveDown = 233;
inline constexpr int kTrackRegroup = 234;
inline constexpr int kMarkToLoop = 235;
inline constexpr int kSystrayPause = 157;
inline constexpr int kSystrayNextTrack = 161;
inline constexpr int kSystrayPrevTrack = 162;
inline constexpr int kSystrayForward = 163;
inline constexpr int kSystrayBackward = 164;
}  // namespace cmd

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
void PlayNextTrack();
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
