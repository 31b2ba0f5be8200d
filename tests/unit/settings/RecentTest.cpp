#include <gtest/gtest.h>

#include "app/HeadlessShell.h"
#include "common/TestEnv.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

class RecentTest : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.PrefPath = testenv::FreshFolder("pref");
    SetShell(&shell);
  }
  HeadlessShell shell;
};

TEST_F(RecentTest, SwapInsertTrimAndEmpty) {
  for (const char* p : {"A", "B", "C", "D"}) AddRecent(RecentList::Files, p, true, true);
  EXPECT_EQ(AddRecent(RecentList::Files, "  d ", true, false), 2);
  std::vector<std::string> got;
  for (int i = 0; i < RecentCount(RecentList::Files); ++i) got.push_back(RecentEntry(RecentList::Files, i));
  EXPECT_EQ(got, (std::vector<std::string>{"D", "B", "C", "A"}));
  EXPECT_EQ(AddRecent(RecentList::Files, "   ", true, false), 0);
  EXPECT_EQ(AddRecent(RecentList::Files, "E", true, false), 1);
  EXPECT_EQ(RecentEntry(RecentList::Files, 0), "E");
  EXPECT_EQ(RecentEntry(RecentList::Files, 99), "");
  // Adding (not loading) writes the file (off this thread: the next save waits for it, and finds
  // nothing left to write) and refreshes both menus.
  EXPECT_FALSE(Pref_Save(false));
  EXPECT_NE(testenv::ReadBytes(SettingsFilePath()).find("RecentFile0 = E\r\n"), std::string::npos);
  EXPECT_EQ(shell.menuText[243], "1) E");
  EXPECT_EQ(shell.menuText[263], "1) ...");
  EXPECT_FALSE(shell.menuEnabled[263]);
}

TEST_F(RecentTest, TwentyOneFilesKeepTheNewestTwenty) {
  for (int i = 1; i <= 21; ++i) AddRecent(RecentList::Files, "/m/f" + std::to_string(i) + ".mp3", true, false);
  ASSERT_EQ(RecentCount(RecentList::Files), 20);
  EXPECT_EQ(RecentEntry(RecentList::Files, 0), "/m/f21.mp3");
  EXPECT_EQ(RecentEntry(RecentList::Files, 19), "/m/f2.mp3");
  EXPECT_EQ(shell.menuText[262], "20) f2.mp3,/m/");
  EXPECT_TRUE(shell.menuEnabled[262]);
  EXPECT_EQ(RecentMenuText(0, "noFolder.mp3"), "1) noFolder.mp3");
}

TEST_F(RecentTest, PathsBelowTheProgramFolderSurviveAMove) {
  App.MainPath = testenv::FreshFolder("old-place");
  RegisterSettings();
  AddRecent(RecentList::PlayFiles, App.MainPath + "Lists/show.m3u", true, false);
  Pref_Save(false);
  std::string ini = testenv::ReadBytes(SettingsFilePath());
  EXPECT_NE(ini.find("RecentPlayFile0 = %MainApp%Lists/show.m3u"), std::string::npos);

  ResetSettings();
  App.MainPath = testenv::FreshFolder("new-place");
  Pref_Load();
  EXPECT_EQ(RecentEntry(RecentList::PlayFiles, 0), App.MainPath + "Lists/show.m3u");
}
