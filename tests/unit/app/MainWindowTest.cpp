#include <gtest/gtest.h>

#include <set>

#include "app/AppHooks.h"
#include "app/Commands.h"
#include "app/Dispatch.h"
#include "app/HeadlessShell.h"
#include "app/MenuTree.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"

class MainWindowTest : public testenv::Fixture {};

TEST_F(MainWindowTest, LayoutAtWidth600) {
  MainLayout l = LayoutMainWindow(600, 400);
  EXPECT_EQ(l.play, (Rect{110, 3, 244, 40}));
  EXPECT_EQ(l.pause, (Rect{359, 3, 244, 40}));
  EXPECT_EQ(l.stop, (Rect{110, 46, 244, 40}));
  EXPECT_EQ(l.record, (Rect{359, 46, 244, 40}));
  EXPECT_EQ(l.volume, (Rect{40, 23, 30, 94}));
  EXPECT_EQ(l.position, (Rect{110, 89, 485, 25}));
  EXPECT_EQ(l.playList, (Rect{5, 119, 590, 276}));
  EXPECT_EQ(l.columns[0], 54);
  EXPECT_EQ(l.columns[1], 324);
  for (int c = 2; c < 6; ++c) EXPECT_EQ(l.columns[c], 54);
}

TEST_F(MainWindowTest, ColumnWidthsRoundHalvesToEven) {
  // L = 75: (75 - 50) / 10 = 2.5 → 2; L = 85: 3.5 → 4.
  EXPECT_EQ(LayoutMainWindow(85, 200).columns[0], 2);
  EXPECT_EQ(LayoutMainWindow(95, 200).columns[0], 4);
  for (int w : {600, 601, 777, 1280, 1920}) {
    MainLayout l = LayoutMainWindow(w, 500);
    EXPECT_EQ(l.columns[1], w - 10 - 50 - 4 * l.columns[0]) << w;
    EXPECT_EQ(l.playList.w, w - 10) << w;
  }
}

TEST_F(MainWindowTest, MenuTreeHoldsEveryCommandOnce) {
  auto items = MenuItems(MainMenuTree(true));
  std::set<int> ids;
  for (const auto& n : items) EXPECT_TRUE(ids.insert(n.id).second) << "twice: " << n.id;
  for (int id : {167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 178, 179, 182, 183, 190, 191, 194, 195, 196, 197,
                 198, 199, 200, 203, 204, 205, 206, 207, 208, 209, 210, 214, 215, 216, 217, 218, 220, 177})
    EXPECT_TRUE(ids.count(id)) << id;
  for (int id = 243; id <= 312; ++id) EXPECT_TRUE(ids.count(id)) << id;
  auto withoutNews = MenuItems(MainMenuTree(false));
  EXPECT_EQ(withoutNews.size(), items.size() - 1);
  for (const auto& n : withoutNews) EXPECT_NE(n.id, cmd::WhatNews);
  // Check items are the ones their owners keep.
  std::set<int> checks;
  for (const auto& n : items)
    if (n.checkable) checks.insert(n.id);
  for (int id : {179, 180, 181, 182, 186, 187, 188, 189, 199, 204, 192, 197, 198, 211, 213, 214, 293, 302, 303, 312})
    EXPECT_TRUE(checks.count(id)) << id;
  EXPECT_FALSE(checks.count(191));
}

TEST_F(MainWindowTest, EffectItemsAndSystrayTexts) {
  LangTable().push_back({"Menu\\Effects.Number", "Effet %s1%"});
  LangTable().push_back({"Systray\\Menu.OnTop", "Afficher "});
  SortLangTable();
  auto items = MenuItems(MainMenuTree(true));
  for (const auto& n : items)
    if (n.id == 300) {
      EXPECT_EQ(n.text, "Effet 7");
    }
  auto tray = SystrayMenuTree();
  ASSERT_EQ(tray.size(), 15u);
  EXPECT_EQ(tray[0].text, "Afficher Tondrial");
  EXPECT_EQ(tray[1].id, cmd::SystrayInfoItem);
  EXPECT_FALSE(tray[1].enabled);
  EXPECT_EQ(tray.back().text, "Quitter Tondrial");
}

TEST_F(MainWindowTest, StagesRunInOrderAndQuitCommands) {
  std::vector<std::string> calls;
  Hooks().commonEvent = [&](int id, bool main) {
    calls.push_back("a" + std::to_string(id) + (main ? "m" : ""));
    return false;
  };
  Hooks().menuCommand = [&](int id) {
    calls.push_back("b" + std::to_string(id));
    return false;
  };
  Hooks().globalHotkey = [&](int id) { calls.push_back("h" + std::to_string(id)); };
  MainWindowCommand(cmd::HotkeyPause);
  MainWindowCommand(cmd::Play);
  EXPECT_EQ(calls, (std::vector<std::string>{"a157m", "b157", "h157", "a191m", "b191"}));
  EXPECT_FALSE(App.QuitRequested);
  MainWindowCommand(cmd::SystrayQuit);
  EXPECT_TRUE(App.QuitRequested);

  // Features in list order: a step runs every share; a command stops at the first feature and
  // the first stage that handles it, so no later one carries it out again.
  App.QuitRequested = false;
  calls.clear();
  auto log = [&](const char* what, bool handled) {
    calls.push_back(what);
    return handled;
  };
  InstallFeatures({
      Feature{.start = [&] { log("s1", true); },
              .commonEvent = [&](int id, bool) { return log("a1", id == cmd::Pause); },
              .menuCommand = [&](int id) { return log("b1", id == cmd::Play); }},
      Feature{.start = [&] { log("s2", true); }, .menuCommand = [&](int id) { return log("b2", id == 999); }},
  });
  Hooks().startAudio();
  MainWindowCommand(cmd::Pause);
  MainWindowCommand(cmd::Play);
  MainWindowCommand(999);
  EXPECT_FALSE(App.QuitRequested);
  MainWindowCommand(cmd::Quit);
  EXPECT_TRUE(App.QuitRequested);
  EXPECT_EQ(calls, (std::vector<std::string>{"s1", "s2", "a1", "a1", "b1", "a1", "b1", "b2", "a1", "b1", "b2"}));
  Hooks() = AppHooks{};
}

TEST_F(MainWindowTest, LogHelpAndSystrayCommands) {
  HeadlessShell shell;
  SetShell(&shell);
  App.AppName = "Tondrial-Portable";
  App.MainPath = testenv::FreshFolder("prog");
  AddLog("Tondrial 0,4,1210,2500", true);
  MainWindowCommand(cmd::ShowLog);
  ASSERT_EQ(shell.textWindows.size(), 1u);
  EXPECT_EQ(shell.textWindows[0].first, "Log - Tondrial-Portable");
  EXPECT_EQ(shell.textWindows[0].second.rfind("Tondrial 0,4,1210,2500\r\n", 0), 0u);

  // No help file: the message. An empty Chm is skipped for the text help.
  MainWindowCommand(cmd::Help);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].text, "Help.NoHelp");  // the language text, here the bare key
  testenv::WriteBytes(App.MainPath + "Tondrial.Chm", "");
  testenv::WriteBytes(App.MainPath + "Tondrial-Help.Txt", std::string("\xFF\xFE", 2) + text::ToUtf16LE("Aide ici"));
  MainWindowCommand(cmd::Help);
  ASSERT_EQ(shell.textWindows.size(), 2u);
  EXPECT_EQ(shell.textWindows[1].second, "Aide ici");

  MainWindowCommand(cmd::SystrayIn);
  EXPECT_FALSE(shell.mainVisible);
  EXPECT_TRUE(App.HiddenInSystray);
  RestoreFromSystray();
  EXPECT_TRUE(shell.mainVisible);
  EXPECT_FALSE(App.HiddenInSystray);
}
