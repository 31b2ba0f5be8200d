#include "playlist/PlayListView.h"

#include <algorithm>
#include <random>
#include <unordered_set>

#include "access/Speech.h"
#include "access/Templates.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayerPort.h"
#include "playlist/Profiles.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

TrackPropertiesWindow g_propertiesWindow = nullptr;

int DefaultRandomPick(int count) {
  static std::mt19937 engine{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, count - 1)(engine);
}
RandomPick g_randomPick = DefaultRandomPick;

int32_t RowID(const ListModel& view, int row) { return static_cast<int32_t>(view.Data(row)); }

std::string FormatSeconds(int32_t seconds) { return FormatTime(seconds, TemplateText(setting::DisplayTime)); }

std::vector<std::string> TrackCells(const Track& t) {
  std::vector<std::string> cells(kPlayListColumns);
  for (int c = 0; c < kPlayListColumns; ++c) cells[c] = ColumnText(c, t);
  return cells;
}

}  // namespace

ListModel& PlayListRows() {
  static ListModel rows;
  return rows;
}

void CreatePlayListView() {
  static const char* const kHeaders[kPlayListColumns] = {"ListIcon\\State",    "ListIcon\\Designation",
                                                          "ListIcon\\Duration", "ListIcon\\Start",
                                                          "ListIcon\\End",      "ListIcon\\TempoPitch"};
  std::vector<ListModel::Column> cols;
  for (const char* h : kHeaders) cols.push_back({Lang(h), 10});
  PlayListRows().SetColumns(std::move(cols));
}

std::string BookProgressText(const Track& t) {
  if (t.Start <= 0 || t.Length <= 0) return {};
  return Lang("State.BookReaded", std::to_string(int64_t{t.Start} * 100 / t.Length));
}

std::string StateText(const Track& t) {
  std::string s;
  switch (t.State) {
    case Ready: s = IsBookProfile() ? BookProgressText(t) : std::string(); break;
    case Playing: s = Lang("State.Playing"); break;
    case Pause: s = Lang("State.Pause"); break;
    case Played: s = IsBookProfile() ? BookProgressText(t) : Lang("State.Played"); break;
    case FadeOut: s = Lang("State.FadeOut"); break;
    default: break;
  }
  if (s.empty() && (t.Flags & kTrackFlagLoop)) s += Lang("Flag.ToLoop");
  return s;
}

std::string ColumnText(int column, const Track& t) {
  switch (column) {
    case 0: return StateText(t);
    case 1: return t.Alias.empty() ? t.Name : t.Alias;
    case 2:
      if (t.Length == -1) return "Radio";
      return t.Length > 0 ? FormatSeconds(t.Length) : std::string();
    case 3: return t.Start != 0 ? FormatSeconds(t.Start) : std::string();
    case 4:
      // A stream has no end point to show.
      return t.End != t.Length && t.Length != -1 ? FormatSeconds(t.End) : std::string();
    case 5:
      if (t.Tempo == 0 && t.Pitch == 0) return {};
      return TempoText(t.Tempo) + "% / " + PitchText(t.Pitch);
    default: return {};
  }
}

std::string TrackRowText(const Track& t) {
  std::string s;
  for (int c = 0; c < kPlayListColumns; ++c) s += ColumnText(c, t) + "\n";
  return s;
}

int32_t SelectedTrackID(const ListModel& view) {
  int r = view.FirstSelected();
  return r < 0 ? 0 : RowID(view, r);
}

int RowOfTrack(const ListModel& view, int32_t id) {
  int sel = view.FirstSelected();
  if (sel >= 0 && RowID(view, sel) == id) return sel;
  return view.FindData(id);
}

int InsertRow(ListModel& view, const std::string& rowText, int position, int32_t id) {
  std::vector<std::string> cells = text::Split(rowText, '\n');
  // Each column text is followed by a line feed: the part after the last one is not a column.
  if (!cells.empty() && cells.back().empty() && !rowText.empty() && rowText.back() == '\n') cells.pop_back();
  int before = view.Count();
  int row = view.InsertRow(position, cells, id);
  if (view.Count() != before + 1) return -1;
  view.SelectOnly(row);
  return row;
}

int InsertTrackRow(int32_t id, int position) {
  const Track* t = FindTrack(id);
  if (!t) return -1;
  ListModel& view = PlayListRows();
  int before = view.Count();
  int row = view.InsertRow(position, TrackCells(*t), id);
  if (view.Count() != before + 1) return -1;
  view.SelectOnly(row);
  return row;
}

int SetRowText(ListModel& view, int32_t id, const std::string& t, int column) {
  int row = RowOfTrack(view, id);
  if (row < 0) return 0;
  view.SetText(row, column, t);
  return row + 1;
}

int SelectTrackRow(ListModel& view, int32_t id, int fallback) {
  int row = RowOfTrack(view, id);
  if (row < 0 && view.Count() > 0) row = std::clamp(fallback, 0, view.Count() - 1);
  if (row >= 0) view.SelectOnly(row);
  return row;
}

void RefreshStates() {
  ListModel& view = PlayListRows();
  for (int r = 0; r < view.Count();) {
    const Track* t = FindTrack(RowID(view, r));
    if (!t) {
      view.RemoveRow(r);
      continue;
    }
    std::string s = StateText(*t);
    if (view.Text(r, 0) != s) view.SetText(r, 0, s);
    ++r;
  }
}

void RefreshRow(int32_t id) {
  const Track* t = FindTrack(id);
  ListModel& view = PlayListRows();
  int row = RowOfTrack(view, id);
  if (!t || row < 0) return;
  for (int c = 1; c < kPlayListColumns; ++c) view.SetText(row, c, ColumnText(c, *t));
}

void RemovePlayedTracks() {
  if (!GetMWFlag(setting::RemovePlayed) || !IsFeatureAllowed(cmd::RemovePlayed)) return;
  PlayList().RemoveIf([](const Track& t) { return t.State == Played; });
}

void ClearPlayList() {
  PlayListRows().Clear();
  PlayList().Clear();
}

void SyncOrder() {
  ListModel& view = PlayListRows();
  for (int r = 0; r < view.Count(); ++r)
    if (Track* t = FindTrack(RowID(view, r))) t->Order = r;
  PlayList().SortByOrder();
}

int MenuItemAvailable(int item) {
  ListModel& view = PlayListRows();
  int first = view.FirstSelected();
  int last = view.Count() - 1;
  int32_t id = first < 0 ? 0 : RowID(view, first);
  switch (item) {
    case cmd::TrackLoop: {
      if (first < 0) return 0;
      const Track* t = FindTrack(id);
      return t && (t->Flags & kTrackFlagLoop) ? 1 : -1;
    }
    case cmd::Play: return id;
    case cmd::TrackDelete: {
      const Track* t = FindTrack(id);
      return t && IsActiveState(t->State) ? 0 : id;
    }
    case cmd::TrackMoveUp: return first > 0 && !view.IsSelected(0) ? id : 0;
    case cmd::TrackMoveDown: return first >= 0 && first != last && !view.IsSelected(last) ? id : 0;
    case cmd::TrackRegroup: return first >= 0 && first != last ? id : 0;
    default: return 0;
  }
}

void DeleteSelectedTracks() {
  ListModel& view = PlayListRows();
  int highest = -1;
  for (int r = view.Count() - 1; r >= 0; --r) {
    if (!view.IsSelected(r)) continue;
    int32_t id = RowID(view, r);
    const Track* t = FindTrack(id);
    if (t && IsActiveState(t->State)) continue;
    view.RemoveRow(r);
    PlayList().Remove(id);
    highest = std::max(highest, r);
  }
  int select = highest < 0 ? 0 : std::min(highest, view.Count() - 1);
  view.SelectOnly(std::max(select, 0));
  UpdateNextPrevItems();
}

void MoveSelectedTracks(int direction) {
  ListModel& view = PlayListRows();
  std::vector<int32_t> taken;  // bottom-up
  int position = view.Count();
  for (int r = view.Count() - 1; r >= 0; --r) {
    if (!view.IsSelected(r)) continue;
    taken.push_back(RowID(view, r));
    view.RemoveRow(r);
    position = r;
  }
  std::string say;
  if (direction < 0) {
    position = std::max(position - 1, 0);
    say = Lang("Say.MovedUp", view.Text(position, 1));
  } else if (direction > 0) {
    say = Lang("Say.MovedDown", view.Text(position, 1));
    position = std::min(position + 1, view.Count());
  } else {
    say = Lang("Say.Joined", std::to_string(taken.size()));
  }
  if (taken.empty()) return;
  Speak(say);
  for (int32_t id : taken) {
    const Track* t = FindTrack(id);
    Track missing;
    missing.ID = id;
    view.InsertRow(position, TrackCells(t ? *t : missing), id);
  }
  view.ClearSelection();
  std::unordered_set<int32_t> moved(taken.begin(), taken.end());
  auto isTaken = [&](int r) { return moved.count(RowID(view, r)) > 0; };
  int focus = -1;
  if (direction < 0) {
    for (int r = view.Count() - 1; r >= 0; --r)
      if (isTaken(r)) view.Select(r, true), focus = r;
  } else {
    for (int r = 0; r < view.Count(); ++r)
      if (isTaken(r)) view.Select(r, true), focus = r;
  }
  view.SetFocus(focus);
}

void ToggleLoopMark() {
  int state = MenuItemAvailable(cmd::TrackLoop);
  if (state == 0) return;
  SetTrackFlag(SelectedTrackID(PlayListRows()), kTrackFlagLoop, state < 0);
  RefreshStates();
}

std::vector<PopupItem> TrackMenuEntries() {
  std::vector<PopupItem> items = {
      {cmd::Play, Lang("Menu\\Output.Play"), "", true, false},
      {cmd::TrackDelete, Lang("Menu\\Output.TrackDel"), "", true, false},
      {cmd::TrackMoveUp, Lang("Menu\\Output.TrackMoveUp"), "", true, false},
      {cmd::TrackMoveDown, Lang("Menu\\Output.TrackMoveDown"), "", true, false},
      {cmd::TrackRegroup, Lang("Menu\\Output.TrackRegroup"), "", true, false},
      {cmd::TrackLoop, Lang("Menu\\Mark.ToLoop"), Lang("Menu.Mark"), true, false},
  };
  for (auto& item : items) {
    if (item.id == cmd::Play) continue;
    int a = MenuItemAvailable(item.id);
    item.enabled = a != 0;
    item.checked = item.id == cmd::TrackLoop && a > 0;
  }
  return items;
}

int ShowTrackMenu() {
  if (TheShell().FocusedGadget(gadget::MainWindow) != gadget::PlayList || PlayListRows().Count() == 0) return 0;
  TheShell().ShowPopupMenu(gadget::TrackMenu, TrackMenuEntries());
  return 1;
}

namespace {
// Tracks the automatic next track could not start since a track last started: skipped until
// one plays, so a run of broken tracks is passed over once and said once.
std::vector<int32_t> g_autoFailed;
bool g_automatic = false;

// 1 started (or connecting), 0 the track could not be played, -1 nothing to play or stopped.
int StartTrack(int32_t id, bool stop, bool sayError) {
  SetLooping(0, true);
  int result = -1;
  if (stop) {
    Player().OutputPlay(nullptr, true);
  } else {
    if (id == 0) id = SelectedTrackID(PlayListRows());
    if (const Track* t = FindTrack(id)) {
      Track copy = *t;
      result = Player().OutputPlay(&copy, false) ? 1 : 0;
      if (result == 0) {
        if (sayError) Speak(Lang("Msg\\Play.Error"));
      } else if (copy.Flags & kTrackFlagLoop) {
        SetLooping(1, false);
      }
    }
  }
  RefreshStates();
  UpdatePlayControls();
  Player().RefreshPauseButton();
  UpdateNextPrevItems();
  return result;
}

bool Skipped(int32_t id) { return std::find(g_autoFailed.begin(), g_autoFailed.end(), id) != g_autoFailed.end(); }

int32_t ChooseNextTrack() {
  ListModel& view = PlayListRows();
  int32_t current = Player().OutputTrackID();
  int currentRow = current ? RowOfTrack(view, current) : -1;
  auto isReady = [&](int r) {
    const Track* t = FindTrack(RowID(view, r));
    return t && t->State == Ready && !Skipped(t->ID);
  };
  int32_t next = 0;
  if (GetMWFlag(setting::OutputRandom)) {
    std::vector<int32_t> ready;
    for (int r = 0; r < view.Count(); ++r)
      if (isReady(r)) ready.push_back(RowID(view, r));
    if (!ready.empty()) {
      int pick = g_randomPick(static_cast<int>(ready.size()));
      next = ready[std::clamp(pick, 0, static_cast<int>(ready.size()) - 1)];
    }
  } else if (LoopingChecked()) {
    next = FindTrack(current) && !Skipped(current) ? current : 0;
  } else {
    for (int r = currentRow + 1; r < view.Count(); ++r)
      if (isReady(r)) {
        next = RowID(view, r);
        break;
      }
  }
  return next;
}
}  // namespace

void PlayTrack(int32_t id, bool stop) {
  // A track the user starts ends any run of skipped tracks.
  if (!g_automatic) g_autoFailed.clear();
  StartTrack(id, stop, true);
}

void PlayNextTrack(bool automatic) {
  if (!automatic) g_autoFailed.clear();
  if (PlayListRows().Count() == 0) return;
  for (;;) {
    const int32_t next = ChooseNextTrack();
    // An ID of 0 would mean "the selected track": without a next track the Output stops.
    if (next == 0) {
      g_autoFailed.clear();
      StartTrack(0, true, false);
      return;
    }
    if (!automatic) {
      StartTrack(next, false, true);
      return;
    }
    // Unattended play goes on past a track that cannot be played: silence on air is worse.
    g_automatic = true;
    const int result = StartTrack(next, false, g_autoFailed.empty());
    g_automatic = false;
    if (result != 0) return;
    g_autoFailed.push_back(next);
  }
}

bool AutomaticPlayInProgress() { return g_automatic; }

void AutomaticTrackFailed(int32_t id) {
  if (g_autoFailed.empty()) Speak(Lang("Msg\\Play.Error"));
  g_autoFailed.push_back(id);
  PlayNextTrack(true);
}

void TrackStarted() { g_autoFailed.clear(); }

void NextTrackCommand() {
  SetLooping(0, false);
  PlayNextTrack();
}

void SetTrackPropertiesWindow(TrackPropertiesWindow window) { g_propertiesWindow = window; }

void OpenTrackProperties() {
  int32_t id = SelectedTrackID(PlayListRows());
  Track* t = FindTrack(id);
  if (!t) return;
  if (t->Length == 0) {
    Player().ExamineTrack(*t, true);
    t = FindTrack(id);
    if (t && t->Length != 0) RefreshRow(id);
  }
  if (!t || t->Length == 0) {
    Speak(Lang("Say\\Error.BadSource"));
    return;
  }
  if (g_propertiesWindow && g_propertiesWindow(id)) RefreshRow(id);
}

void UpdatePlayControls() {
  Shell& shell = TheShell();
  bool selected = PlayListRows().SelectedCount() > 0;
  bool busy = Player().IsOutputBusy();
  shell.EnableGadget(gadget::MainWindow, gadget::Play, selected);
  shell.SetMenuItemEnabled(cmd::Play, selected);
  shell.SetMenuItemEnabled(cmd::Property, selected);
  for (int g : {gadget::Pause, gadget::Stop, gadget::Position})
    shell.EnableGadget(gadget::MainWindow, g, busy);
  for (int item : {cmd::Pause, cmd::Stop, cmd::GoToPosition, cmd::PositionForward, cmd::PositionBackward, cmd::HotkeyPause,
                   cmd::HotkeyForward, cmd::HotkeyBackward})
    shell.SetMenuItemEnabled(item, busy);
  shell.EnableGadget(gadget::MainWindow, gadget::Record, false);
  if (!busy) shell.SetGadgetText(gadget::MainWindow, gadget::Pause, Lang("Main\\Button.Pause"));
  if (shell.FocusedGadget(gadget::MainWindow) < 0) shell.FocusGadget(gadget::MainWindow, gadget::PlayList);
}

void UpdateNextPrevItems() {
  bool anyReady = std::any_of(PlayList().begin(), PlayList().end(), [](const Track& t) { return t.State == Ready; });
  bool anyPlayed = !PlayedList().empty();
  Shell& shell = TheShell();
  shell.SetMenuItemEnabled(cmd::NextTrack, anyReady);
  shell.SetMenuItemEnabled(cmd::HotkeyNextTrack, anyReady);
  shell.SetMenuItemEnabled(cmd::PreviousTrack, anyPlayed);
  shell.SetMenuItemEnabled(cmd::HotkeyPrevTrack, anyPlayed);
}

bool PlayListCommand(int id) {
  switch (id) {
    case cmd::Play: PlayTrack(0, false); return true;
    case cmd::NextTrack: NextTrackCommand(); return true;
    case cmd::Property: OpenTrackProperties(); return true;
    case cmd::TrackDelete:
      if (MenuItemAvailable(id)) DeleteSelectedTracks();
      return true;
    case cmd::TrackMoveUp:
      if (MenuItemAvailable(id)) MoveSelectedTracks(-1);
      return true;
    case cmd::TrackMoveDown:
      if (MenuItemAvailable(id)) MoveSelectedTracks(1);
      return true;
    case cmd::TrackRegroup:
      if (MenuItemAvailable(id)) MoveSelectedTracks(0);
      return true;
    case cmd::TrackLoop: ToggleLoopMark(); return true;
    default: return false;
  }
}

void SetRandomPick(RandomPick pick) { g_randomPick = pick ? pick : DefaultRandomPick; }
