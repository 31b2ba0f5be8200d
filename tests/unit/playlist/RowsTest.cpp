#include <limits>

#include "PlayListFixture.h"

// The rows tests run in the Default profile, entered with an empty list.
class Rows : public PlayListTest {
 protected:
  void SetUp() override {
    PlayListTest::SetUp();
    SetMWFlag(setting::StartWithOldTracks, false);
    SwitchProfile(0, true);
    SetMWFlag(setting::StartWithOldTracks, true);
  }
};

TEST_F(Rows, IdentifiersAreUniqueAcrossTheThreeListsAndWrapAtOverflow) {
  Track t;
  t.ID = 1;
  PlayList().Append(t);
  t.ID = 2;
  PlayedList().Append(t);
  t.ID = -3;  // an explorer folder holds the negated identifier
  ExploreList().Append(t);
  t.ID = 4;
  ExploreList().Append(t);
  EXPECT_EQ(NewTrackID(), 5);

  LastTrackID() = std::numeric_limits<int32_t>::max() - 1;
  EXPECT_EQ(NewTrackID(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(NewTrackID(), 5);  // wrapped to 1, skipping the taken 1..4
}

TEST_F(Rows, AddTrackRefusesNegativeIdsAndDuplicatesIgnoringCase) {
  Track t;
  t.File = "/music/Song.mp3";
  int32_t id = 0;
  EXPECT_EQ(AddTrack(t, id), 1);
  int32_t first = id;
  t.File = "/MUSIC/song.MP3";
  id = 0;
  EXPECT_EQ(AddTrack(t, id), -1);
  EXPECT_EQ(id, first);
  t.File = "/music/other.mp3";
  t.ID = -7;
  EXPECT_EQ(AddTrack(t, id), 0);
  EXPECT_EQ(PlayList().size(), 1u);
}

TEST_F(Rows, StateTextsWithLoopMarkAndBookProgress) {
  Track t;
  t.Flags = kTrackFlagLoop;
  t.State = Playing;
  EXPECT_EQ(StateText(t), "playing");
  t.State = Played;
  EXPECT_EQ(StateText(t), "played");
  t.State = Ready;
  EXPECT_EQ(StateText(t), "loop");
  t.State = FadeOut;
  EXPECT_EQ(StateText(t), "fading");

  SetMWFlag(setting::StartWithOldTracks, false);
  SwitchProfile(kBookProfile, true);
  Track b;
  b.Start = 90;
  b.Length = 600;
  EXPECT_EQ(StateText(b), "read 15%");
  b.State = Played;
  EXPECT_EQ(StateText(b), "read 15%");
  b.Start = 0;
  EXPECT_EQ(StateText(b), "");
  b.Flags = kTrackFlagLoop;
  EXPECT_EQ(StateText(b), "loop");
}

TEST_F(Rows, ColumnTexts) {
  Track t;
  t.Name = "a.mp3";
  t.Length = 3725;
  t.End = 3725;
  EXPECT_EQ(ColumnText(1, t), "a.mp3");
  t.Alias = "Opening";
  EXPECT_EQ(ColumnText(1, t), "Opening");
  EXPECT_EQ(ColumnText(2, t), "1h2m5s");
  EXPECT_EQ(ColumnText(3, t), "");
  EXPECT_EQ(ColumnText(4, t), "");
  t.Start = 65;
  t.End = 0;
  EXPECT_EQ(ColumnText(3, t), "1m5s");
  EXPECT_EQ(ColumnText(4, t), "0s");
  EXPECT_EQ(ColumnText(5, t), "");
  t.Tempo = 5.2f;
  t.Pitch = -1.5f;
  EXPECT_EQ(ColumnText(5, t), "5% / -1.5");
  t.Tempo = 2.5f;
  t.Pitch = 0;
  EXPECT_EQ(ColumnText(5, t), "2% / 0.0");  // halves go to the even neighbour
  t.Tempo = 3.5f;
  EXPECT_EQ(ColumnText(5, t), "4% / 0.0");

  Track radio;
  radio.File = "http://radio.example/live";
  radio.Length = -1;
  EXPECT_EQ(ColumnText(2, radio), "Radio");
  EXPECT_EQ(ColumnText(4, radio), "");  // a stream has no end point
  Track unknown;
  EXPECT_EQ(ColumnText(2, unknown), "");
}

TEST_F(Rows, InsertRowSplitsColumnsAndSelectsOnlyTheNewRow) {
  ListModel& v = PlayListRows();
  EXPECT_EQ(InsertRow(v, "s\na\nd\nst\ne\ntp\n", -1, 11), 0);
  EXPECT_EQ(InsertRow(v, "s\nb\n\n\n\n\n", 99, 12), 1);
  EXPECT_EQ(InsertRow(v, "\nc\n\n\n\n\n", 0, 13), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(v.Text(1, 5), "tp");
  EXPECT_EQ(v.SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(RowOfTrack(v, 12), 2);
  EXPECT_EQ(RowOfTrack(v, 99), -1);
  EXPECT_EQ(SetRowText(v, 12, "x", 3), 3);
  EXPECT_EQ(SetRowText(v, 99, "x", 3), 0);
  EXPECT_EQ(SelectTrackRow(v, 99, 7), 2);  // fallback beyond the end: the last row
}

TEST_F(Rows, MovingABlockUpKeepsItsOrderAndNamesTheRowItPassed) {
  for (const char* n : {"A", "B", "C", "D", "E", "F"}) AddRow(std::string("/m/") + n);
  SelectRows({2, 3, 5});
  ASSERT_NE(MenuItemAvailable(cmd::TrackMoveUp), 0);
  EXPECT_TRUE(PlayListCommand(cmd::TrackMoveUp));
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C", "D", "F", "B", "E"}));
  EXPECT_EQ(speech.Last(), "up above B");
  EXPECT_EQ(PlayListRows().SelectedRows(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(PlayListRows().Focus(), 1);

  PlayListCommand(cmd::TrackMoveDown);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C", "D", "F", "E"}));
  EXPECT_EQ(speech.Last(), "down below B");

  SelectRows({0, 3});
  PlayListCommand(cmd::TrackRegroup);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "D", "B", "C", "F", "E"}));  // joined at the first
  EXPECT_EQ(speech.Last(), "2 joined");
  // Records keep their order: only rows move.
  EXPECT_EQ(PlayList()[1].Name, "B");
}

TEST_F(Rows, MovesAreRefusedAtTheEdges) {
  for (const char* n : {"A", "B", "C"}) AddRow(std::string("/m/") + n);
  SelectRows({0, 1});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackMoveUp), 0);
  EXPECT_NE(MenuItemAvailable(cmd::TrackMoveDown), 0);
  SelectRows({1, 2});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackMoveDown), 0);
  EXPECT_NE(MenuItemAvailable(cmd::TrackMoveUp), 0);
  SelectRows({2});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackRegroup), 0);
  size_t said = speech.lines.size();
  PlayListCommand(cmd::TrackMoveDown);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(speech.lines.size(), said);
  SelectRows({});
  for (int item : {cmd::Play, cmd::TrackDelete, cmd::TrackMoveUp, cmd::TrackMoveDown, cmd::TrackRegroup,
                   cmd::TrackLoop})
    EXPECT_EQ(MenuItemAvailable(item), 0) << item;
}

TEST_F(Rows, DeleteKeepsThePlayingTrack) {
  int32_t a = AddRow("/m/A");
  AddRow("/m/B");
  int32_t c = AddRow("/m/C", 100, Playing);
  AddRow("/m/D");
  SelectRows({2});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackDelete), 0);
  SelectRows({0, 1, 2});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackDelete), a);
  DeleteSelectedTracks();
  EXPECT_EQ(Names(), (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(PlayList().size(), 2u);
  EXPECT_NE(FindTrack(c), nullptr);
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{1});  // highest deleted index, 1
  SelectRows({1});
  DeleteSelectedTracks();
  EXPECT_EQ(PlayListRows().SelectedRows(), std::vector<int>{0});  // clamped to the last row
}

TEST_F(Rows, RefreshStatesRemovesRowsWithoutTrackAndLoopMarkToggles) {
  int32_t a = AddRow("/m/A");
  int32_t b = AddRow("/m/B");
  AddRow("/m/C");
  PlayList().Remove(b);
  SetTrackState(a, Played);
  RefreshStates();
  EXPECT_EQ(Names(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(PlayListRows().Text(0, 0), "played");

  SelectRows({1});
  EXPECT_EQ(MenuItemAvailable(cmd::TrackLoop), -1);
  PlayListCommand(cmd::TrackLoop);
  EXPECT_EQ(PlayListRows().Text(1, 0), "loop");
  EXPECT_EQ(MenuItemAvailable(cmd::TrackLoop), 1);
  PlayListCommand(cmd::TrackLoop);
  EXPECT_EQ(PlayListRows().Text(1, 0), "");
}

TEST_F(Rows, HistoryHoldsAtMost101Entries) {
  int32_t id = AddRow("/m/A");
  for (int i = 0; i < 101; ++i) {
    FindTrack(id)->Start = i;
    AddToPlayedList(id);
  }
  EXPECT_EQ(PlayedList().size(), 101u);
  EXPECT_EQ(PlayedList()[0].Start, 0);
  FindTrack(id)->Start = 101;
  AddToPlayedList(id);
  EXPECT_EQ(PlayedList().size(), 101u);
  EXPECT_EQ(PlayedList()[0].Start, 1);
  EXPECT_EQ(PlayedList()[100].Start, 101);
  AddToPlayedList(999);  // not in the play list: trims, appends nothing
  EXPECT_EQ(PlayedList().size(), 100u);
  EXPECT_EQ(IsInPlayedList(id), id);
  EXPECT_EQ(IsInPlayedList(999), 0);
}

namespace {
int g_candidates = 0;
int g_pick = 0;
int RecordingPick(int count) {
  g_candidates = count;
  return g_pick;
}
}  // namespace

TEST_F(Rows, RandomNextChoosesOnlyAmongReadyRows) {
  int32_t a = AddRow("/m/A", 100, Played);
  int32_t b = AddRow("/m/B");
  AddRow("/m/C", 100, Played);
  int32_t d = AddRow("/m/D");
  SetMWFlag(setting::OutputRandom, true);
  SetRandomPick(RecordingPick);
  g_pick = 1;
  PlayNextTrack();
  EXPECT_EQ(g_candidates, 2);
  EXPECT_EQ(player.playing, d);
  g_pick = 0;
  PlayNextTrack();
  EXPECT_EQ(g_candidates, 1);
  EXPECT_EQ(player.playing, b);
  (void)a;

  // With the real random source every pick is a Ready track.
  SetRandomPick(nullptr);
  for (int i = 0; i < 20; ++i) {
    ResetTracks();
    PlayListRows().Clear();
    player.playing = 0;
    AddRow("/m/A", 100, Played);
    int32_t r1 = AddRow("/m/B");
    AddRow("/m/C", 100, Played);
    int32_t r2 = AddRow("/m/D");
    PlayNextTrack();
    EXPECT_TRUE(player.playing == r1 || player.playing == r2);
  }
}

TEST_F(Rows, NoReadyTrackStopsTheOutputEvenWhileLooping) {
  int32_t a = AddRow("/m/A");
  PlayTrack(a, false);
  SetLooping(1, true);
  SetMWFlag(setting::OutputRandom, true);
  PlayNextTrack();  // A is Playing, nothing is Ready
  EXPECT_EQ(player.stops, 1);
  EXPECT_FALSE(player.busy);
}

TEST_F(Rows, LoopingReplaysTheCurrentTrackAndPlainNextTakesTheNextReadyRow) {
  int32_t a = AddRow("/m/A");
  int32_t b = AddRow("/m/B", 100, Played);
  int32_t c = AddRow("/m/C");
  FindTrack(a)->Flags = kTrackFlagLoop;
  PlayTrack(a, false);
  EXPECT_TRUE(LoopingChecked());
  EXPECT_EQ(speech.Last(), "looping on");
  PlayNextTrack();
  EXPECT_EQ(player.started, (std::vector<int32_t>{a, a}));
  // Looping off: the first Ready row after the current one.
  FindTrack(a)->Flags = 0;
  SetLooping(0, true);
  PlayNextTrack();
  EXPECT_EQ(player.playing, c);
  EXPECT_FALSE(LoopingChecked());
  PlayNextTrack();  // nothing Ready after C
  EXPECT_EQ(player.stops, 1);
  (void)b;
}

TEST_F(Rows, NextTrackCommandSwitchesLoopingOffAloud) {
  int32_t a = AddRow("/m/A");
  int32_t b = AddRow("/m/B");
  PlayTrack(a, false);
  SetLooping(1, true);
  PlayListCommand(cmd::NextTrack);
  EXPECT_EQ(speech.lines.front().first, "looping off");
  EXPECT_EQ(player.playing, b);
}

TEST_F(Rows, PlayFailureIsSpokenAndControlsFollowTheOutput) {
  int32_t a = AddRow("/m/A");
  UpdatePlayControls();
  EXPECT_TRUE(shell.menuEnabled[cmd::Play]);
  EXPECT_FALSE(shell.menuEnabled[cmd::Stop]);
  EXPECT_FALSE((shell.gadgetEnabled[{gadget::MainWindow, gadget::Record}]));
  EXPECT_EQ(shell.focusedGadget, gadget::PlayList);
  player.failPlay = true;
  PlayTrack(0, false);
  EXPECT_EQ(speech.Last(), "cannot play");
  EXPECT_EQ(FindTrack(a)->State, Ready);
  player.failPlay = false;
  PlayListCommand(cmd::Play);
  EXPECT_EQ(PlayListRows().Text(0, 0), "playing");
  EXPECT_TRUE(shell.menuEnabled[cmd::Stop]);
  EXPECT_TRUE(shell.menuEnabled[cmd::HotkeyPause]);
  EXPECT_FALSE(shell.menuEnabled[cmd::NextTrack]);  // no Ready track left
  EXPECT_FALSE(shell.menuEnabled[cmd::PreviousTrack]);
  PlayTrack(0, true);
  EXPECT_TRUE(shell.menuEnabled[cmd::PreviousTrack]);  // A went to the history
  EXPECT_TRUE(shell.menuEnabled[cmd::HotkeyPrevTrack]);
}

namespace {
int g_windowCalls = 0;
bool ConfirmingWindow(int32_t id) {
  ++g_windowCalls;
  FindTrack(id)->Alias = "renamed";
  return true;
}
}  // namespace

TEST_F(Rows, PropertiesNeedALength) {
  SetTrackPropertiesWindow(ConfirmingWindow);
  g_windowCalls = 0;
  int32_t missing = AddRow(dir + "missing.mp3", 0);
  OpenTrackProperties();
  EXPECT_EQ(speech.Last(), "bad source");
  EXPECT_EQ(g_windowCalls, 0);
  PlayList().Remove(missing);
  RefreshStates();

  std::string f = MakeFile("known.mp3");
  player.lengths["known.mp3"] = 240;
  AddRow(f, 0);
  OpenTrackProperties();
  EXPECT_EQ(g_windowCalls, 1);
  EXPECT_EQ(PlayListRows().Text(0, 1), "renamed");
  EXPECT_EQ(PlayListRows().Text(0, 2), "4m0s");
}

TEST_F(Rows, TrackMenuOnlyWhenTheListHasTheFocus) {
  AddRow("/m/A");
  AddRow("/m/B", 100, Playing);
  SelectRows({1});
  shell.focusedGadget = 2;
  EXPECT_EQ(ShowTrackMenu(), 0);
  shell.focusedGadget = gadget::PlayList;
  EXPECT_EQ(ShowTrackMenu(), 1);
  ASSERT_EQ(shell.popupMenus.size(), 1u);
  const auto& items = shell.popupMenus[0].second;
  auto item = [&](int id) {
    for (const auto& i : items)
      if (i.id == id) return i;
    return PopupItem{};
  };
  EXPECT_TRUE(item(cmd::Play).enabled);
  EXPECT_FALSE(item(cmd::TrackDelete).enabled);  // playing
  EXPECT_TRUE(item(cmd::TrackMoveUp).enabled);
  EXPECT_FALSE(item(cmd::TrackMoveDown).enabled);
  EXPECT_FALSE(item(cmd::TrackRegroup).enabled);
  EXPECT_TRUE(item(cmd::TrackLoop).enabled);
  EXPECT_FALSE(item(cmd::TrackLoop).checked);
  EXPECT_FALSE(item(cmd::TrackLoop).submenu.empty());
}
