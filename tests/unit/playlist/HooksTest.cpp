#include "PlayListFixture.h"
#include "app/AppHooks.h"
#include "app/Dispatch.h"
#include "app/Startup.h"
#include "playlist/PlayListHooks.h"

using Hooked = PlayListTest;

TEST_F(Hooked, StartUpEntersDefaultAndQuitStoresTheProfile) {
  int others = 0;
  InstallFeatures({PlayListFeature(), Feature{.menuCommand = [&](int id) { return id == 999 && ++others; }}});
  MakeFile("a.mp3");
  MakeFile("ProfilDefault.M3U", "a.mp3\r\n");
  Hooks().startAudio();
  EXPECT_EQ(CurrentProfile(), 0);
  EXPECT_TRUE(speech.lines.empty());
  EXPECT_EQ(Names(), std::vector<std::string>{"a.mp3"});

  // The menu dispatch reaches the play list, and the other features still get their commands.
  MainWindowCommand(cmd::ProfilMusik);
  EXPECT_EQ(speech.Last(), "profile Musik");
  MainWindowCommand(999);
  EXPECT_EQ(others, 1);
  shell.fileAnswers.push_back({dir + "a.mp3"});
  MainWindowCommand(cmd::AddFile);
  EXPECT_EQ(speech.Last(), "1 added");
  shell.focusedGadget = gadget::Play;
  MainWindowCommand(cmd::ReturnKey);
  EXPECT_TRUE(player.started.empty());
  shell.focusedGadget = gadget::PlayList;
  MainWindowCommand(cmd::ReturnKey);
  EXPECT_EQ(player.started.size(), 1u);
  MainWindowCommand(cmd::ContextMenu);
  EXPECT_EQ(shell.popupMenus.size(), 1u);

  EXPECT_EQ(ShutDown(), 0);
  std::string musik;
  fileutil::ReadFile(dir + "ProfilZik.M3U", musik);
  EXPECT_EQ(musik, "#EXTM3U\r\n#extrem:Ln=60;\r\na.mp3\r\n");
  Hooks() = AppHooks{};
}
