// The played-tracks window without a screen: its rows, the two-second auto-play, the keys and
// buttons, the Monitor following the selection, and the previous-track command that opens it.
#include "PlayListFixture.h"
#include "lang/Lang.h"
#include "playlist/PlayedList.h"
#include "playlist/PlayedWindow.h"

namespace {
class PlayedWindow : public PlayListTest {
 protected:
  // Plays each file in turn: all but the last end up in the history.
  std::vector<int32_t> PlayAll(const std::vector<std::string>& names) {
    std::vector<int32_t> ids;
    for (const auto& n : names) ids.push_back(AddRow(MakeFile(n)));
    for (int32_t id : ids) PlayTrack(id, false);
    return ids;
  }
};

TEST_F(PlayedWindow, RowsAndTheTwoSecondAutoPlay) {
  auto ids = PlayAll({"a.mp3", "sub/b.mp3", "c.mp3"});
  PlayedWindowState w;
  w.Open(1000);
  ASSERT_EQ(w.Rows().Count(), 2);
  EXPECT_EQ(w.Rows().Columns()[0].title, Lang("Played\\Column.Name"));  // "Nom" in French
  EXPECT_EQ(w.Rows().Columns()[0].width, 400);
  EXPECT_EQ(w.Rows().Text(1, 0), "b.mp3");
  EXPECT_EQ(w.Rows().FirstSelected(), 1);  // the newest
  EXPECT_EQ(w.ChosenID(), ids[1]);

  EXPECT_EQ(w.Tick(2999), PlayedAction::None);
  EXPECT_EQ(w.Tick(3000), PlayedAction::Play);

  // Every event of the window restarts the two seconds.
  w.Open(0);
  w.Command(3999, PlayedControl::List, 1900);  // any key command of the window
  EXPECT_EQ(w.Tick(2000), PlayedAction::None);
  w.Rows().UserSelection({0}, 0);
  w.SelectionChanged(3800);
  EXPECT_EQ(w.Tick(5700), PlayedAction::None);
  EXPECT_EQ(w.Tick(5800), PlayedAction::Play);
  EXPECT_EQ(w.ChosenID(), ids[0]);
}

TEST_F(PlayedWindow, PressingPreviousAgainKeepsTheWindowForChoosing) {
  PlayAll({"a.mp3", "b.mp3", "c.mp3"});
  PlayedWindowState w;
  w.Open(0);
  EXPECT_EQ(w.Command(playedcmd::Previous, PlayedControl::List, 800), PlayedAction::None);
  EXPECT_EQ(w.Presses(), 1);
  for (int64_t t = 2800; t < 20000; t += 2000) EXPECT_EQ(w.Tick(t), PlayedAction::None) << t;
  // Keys and buttons decide now.
  EXPECT_EQ(w.Command(playedcmd::Play, PlayedControl::List, 20000), PlayedAction::Play);
  EXPECT_EQ(w.Command(playedcmd::Play, PlayedControl::Cancel, 20000), PlayedAction::Cancel);
  EXPECT_EQ(w.Command(playedcmd::Cancel, PlayedControl::Play, 20000), PlayedAction::Cancel);
  EXPECT_EQ(w.Button(PlayedControl::Play, 20000), PlayedAction::Play);
  EXPECT_EQ(w.Button(PlayedControl::Cancel, 20000), PlayedAction::Cancel);
}

TEST_F(PlayedWindow, MonitorFollowsTheSelectionOnlyWhilePlaying) {
  auto ids = PlayAll({"a.mp3", "b.mp3", "c.mp3"});
  PlayedWindowState w;
  w.Open(0);
  w.Rows().UserSelection({0}, 0);
  w.SelectionChanged(100);
  EXPECT_TRUE(player.monitorTracks.empty());
  player.monitorPlaying = true;
  w.SelectionChanged(200);
  EXPECT_EQ(player.monitorTracks, (std::vector<int32_t>{ids[0]}));
  // An entry that left the play list has nothing for the Monitor; and, once it left the
  // history too (101 entries), nothing to replay.
  PlayList().Remove(ids[1]);
  w.Rows().UserSelection({1}, 1);
  w.SelectionChanged(300);
  EXPECT_EQ(player.monitorTracks.size(), 1u);
  EXPECT_EQ(w.ChosenID(), ids[1]);
  PlayedList().Remove(ids[1]);
  EXPECT_EQ(w.ChosenID(), 0);
}

int32_t g_windowAnswer = 0;
int g_windowOpened = 0;
int32_t AnsweringWindow() {
  ++g_windowOpened;
  return g_windowAnswer;
}

TEST_F(PlayedWindow, PreviousTrackOpensTheWindowOnlyWhenNotQuick) {
  g_windowOpened = 0;
  SetPlayedListWindow(AnsweringWindow);
  EXPECT_EQ(PreviousTrack(false), 0);  // empty history: no window
  EXPECT_EQ(g_windowOpened, 0);
  auto ids = PlayAll({"a.mp3", "b.mp3", "c.mp3"});
  size_t starts = player.started.size();

  g_windowAnswer = 0;  // cancelled
  EXPECT_EQ(PreviousTrack(false), 0);
  EXPECT_EQ(g_windowOpened, 1);
  EXPECT_EQ(player.started.size(), starts);

  g_windowAnswer = ids[0];  // the older entry chosen
  EXPECT_EQ(PreviousTrack(false), 1);
  EXPECT_EQ(player.started.back(), ids[0]);

  // Quick (from a child window or the hotkey): the newest entry at once, no window.
  int32_t newest = PlayedList()[PlayedList().size() - 1].ID;
  EXPECT_EQ(newest, ids[2]);
  EXPECT_EQ(PreviousTrack(true), 1);
  EXPECT_EQ(g_windowOpened, 2);
  EXPECT_EQ(player.started.back(), newest);
}
}  // namespace
