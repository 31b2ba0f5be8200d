#include "playlist/PlayedList.h"

#include "app/Commands.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedWindow.h"
#include "playlist/Track.h"

int ReplayPlayedTrack(int32_t recordId) {
  const Track* record = nullptr;
  for (const Track& t : PlayedList())
    if (t.ID == recordId) record = &t;
  if (!record) return 0;
  Track copy = *record;
  copy.State = Ready;
  int32_t id = 0;
  if (AddTrack(copy, id) == 0) return 0;
  ListModel& rows = PlayListRows();
  if (RowOfTrack(rows, id) < 0) {
    int active = RowOfTrack(rows, ActiveTrackID());
    InsertTrackRow(id, active >= 0 ? active + 1 : -1);
  }
  if (RowOfTrack(rows, id) < 0) return 0;
  PlayTrack(id, false);
  return 1;
}

namespace {
PlayedListWindow g_playedWindow = nullptr;
}  // namespace

void SetPlayedListWindow(PlayedListWindow window) { g_playedWindow = window; }

int PreviousTrack(bool quick) {
  // The previous-track item is disabled with an empty history: its key does nothing either.
  if (PlayedList().empty()) return 0;
  if (quick || !g_playedWindow) return ReplayPlayedTrack(PlayedList()[PlayedList().size() - 1].ID);
  int32_t chosen = g_playedWindow();
  return chosen ? ReplayPlayedTrack(chosen) : 0;
}

void SaveListCommand(SavedList which) {
  FileDialogRequest r;
  r.title = Lang(which == SavedList::PlayedList ? "Title.SavePlayedList" : "Title.SavePlayList");
  r.filters = {{Lang("Filter.File") + "M3U", "*.M3U"}};
  r.save = true;
  auto chosen = TheShell().FileRequester(r);
  if (chosen.empty() || chosen[0].empty()) return;
  std::string name = chosen[0];
  std::string file = name.substr(name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos || !text::EqualsNoCase(file.substr(dot + 1), "M3U")) name += ".M3U";
  const int saved = which == SavedList::PlayedList ? SavePlayedListFile(name) : SavePlayListFile(name);
  // A list that was not written must not pass for saved: the presenter would count on it.
  if (!saved) TheShell().MessageRequester(Lang("Msg.Error"), Lang("Msg\\Save.Failed", name), kRequesterError);
}

bool PlayedListCommand(int id) {
  switch (id) {
    case cmd::SavePlayList: SaveListCommand(SavedList::PlayList); return true;
    case cmd::SavePlayedList: SaveListCommand(SavedList::PlayedList); return true;
    default: return false;
  }
}
