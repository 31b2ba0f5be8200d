#include "PlayListFixture.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayedList.h"

class PlayedListTest : public PlayListTest {};

TEST_F(PlayedListTest, QuickReplayOfTheNewestEntry) {
  EXPECT_EQ(PreviousTrack(true), 0);  // empty history: nothing
  int32_t a = AddRow(MakeFile("a.mp3"));
  int32_t b = AddRow(MakeFile("b.mp3"));
  PlayTrack(a, false);
  PlayTrack(b, false);  // a goes to the history
  ASSERT_EQ(PlayedList().size(), 1u);
  EXPECT_EQ(PreviousTrack(false), 1);
  EXPECT_EQ(player.started.back(), a);
  EXPECT_EQ(PlayListRows().Count(), 2);  // still in the list: no new row
}

TEST_F(PlayedListTest, RemovedTrackComesBackAfterThePlayingOne) {
  int32_t a = AddRow(MakeFile("a.mp3"));
  int32_t b = AddRow(MakeFile("b.mp3"));
  AddRow(MakeFile("c.mp3"));
  PlayTrack(a, false);
  PlayTrack(b, false);
  // a leaves the play list (as "remove played" does) but stays in the history.
  PlayListRows().RemoveRow(0);
  PlayList().RemoveIf([&](const Track& t) { return t.ID == a; });
  ASSERT_EQ(Names(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
  EXPECT_EQ(PreviousTrack(true), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.mp3", "a.mp3", "c.mp3"}));
  EXPECT_EQ(player.started.back(), a);
}

TEST_F(PlayedListTest, SaveAddsTheExtensionOnlyWhenMissing) {
  AddRow(MakeFile("a.mp3"));
  shell.fileAnswers.push_back({dir + "show"});
  shell.fileAnswers.push_back({dir + "keep.m3u"});
  shell.fileAnswers.push_back({});  // cancelled: nothing written
  PlayedListCommand(cmd::SavePlayList);
  PlayedListCommand(cmd::SavePlayList);
  PlayedListCommand(cmd::SavePlayedList);
  EXPECT_TRUE(fileutil::Exists(dir + "show.M3U"));
  EXPECT_TRUE(fileutil::Exists(dir + "keep.m3u"));
  EXPECT_FALSE(fileutil::Exists(dir + "keep.m3u.M3U"));
  ASSERT_EQ(shell.fileRequests.size(), 3u);
  EXPECT_TRUE(shell.fileRequests[0].save);
  EXPECT_EQ(shell.fileRequests[0].filters[0].second, "*.M3U");
  std::string text;
  fileutil::ReadFile(dir + "show.M3U", text);
  EXPECT_NE(text.find("a.mp3"), std::string::npos);
  EXPECT_TRUE(speech.lines.empty());  // saving says nothing
  EXPECT_TRUE(shell.messages.empty());

  // A place that cannot be written is told, not passed over.
  shell.fileAnswers.push_back({dir + "no/such/folder/lost"});
  PlayedListCommand(cmd::SavePlayList);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].flags, kRequesterError);
  EXPECT_FALSE(fileutil::Exists(dir + "no/such/folder/lost.M3U"));
}
