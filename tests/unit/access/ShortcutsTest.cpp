#include "access/Shortcuts.h"

#include <gtest/gtest.h>

#include <array>

#include "access/CommonEvents.h"
#include "access/Speech.h"
#include "app/HeadlessShell.h"
#include "lang/Lang.h"
#include "settings/Settings.h"

namespace {

void SetText(const std::string& key, const std::string& t) {
  Lang(key);
  for (auto& e : LangTable())
    if (e.Key == key) e.Text = t;
}

void SetCode(const std::string& name, int32_t code) {
  Setting* s = FindSetting(-99999, name);
  ASSERT_NE(s, nullptr) << name;
  s->Value = std::to_string(code);
}

class Keys : public ::testing::Test, public GlobalHotkeys {
 protected:
  void SetUp() override {
    ResetLang();
    for (auto [k, t] : std::vector<std::pair<const char*, const char*>>{
             {"Key.Alt", "Alt"}, {"Key.Ctrl", "Ctrl"}, {"Key.Shift", "Maj"}, {"Key.Win", "Win"},
             {"Key.Pad", "Pavé "}, {"Key.Pow2", "²"}, {"Key.Next", "Page suivante"}, {"Key.Return", "Entrée"}})
      SetText(k, t);
    ResetSettings();
    RegisterShortcutSettings();
    RegisterSettings();
    ResetWindowShortcuts();
    SetShell(&shell);
    SetGlobalHotkeys(this);
  }
  void TearDown() override {
    SetGlobalHotkeys(nullptr);
    SetShell(nullptr);
    ResetWindowShortcuts();
    ResetSettings();
    ResetLang();
  }
  void AddGlobalShortcut(int window, int32_t code, int32_t command) override {
    added.push_back({window, code, command});
  }
  void RemoveGlobalKeyboardShortcut(int window, int32_t command) override { removed.push_back({window, 0, command}); }

  HeadlessShell shell;
  std::vector<std::array<int32_t, 3>> added, removed;
};

TEST_F(Keys, KeyNames) {
  EXPECT_EQ(KeyName(393295), "Alt+Ctrl+O");
  EXPECT_EQ(KeyName(kModCtrl + 255), "Ctrl");
  EXPECT_EQ(KeyName(kModAlt + kModCtrl + kModShift + kModWin + 7), "Alt+Ctrl+Maj+Win");
  EXPECT_EQ(KeyName(0), "");
  EXPECT_EQ(KeyName(255), "");
  EXPECT_EQ(KeyName(101), "Pavé 5");
  EXPECT_EQ(KeyName(124), "F13");
  EXPECT_EQ(KeyName(135), "F24");
  EXPECT_EQ(KeyName(136), "");
  EXPECT_EQ(KeyName(65758), "Maj+²");
  EXPECT_EQ(KeyName(kModCtrl + 34), "Ctrl+Page suivante");
  EXPECT_EQ(KeyName(kModWin + '9'), "Win+9");
  EXPECT_EQ(KeyName(46), "Key.Delete");  // a key without a text shows its key
  EXPECT_EQ(KeyName(kModShift + 13), "Maj+Entrée");
}

TEST(GlobalCapable, EveryModifierMix) {
  for (int m = 0; m < 16; ++m) {
    bool shift = m & 1, ctrl = m & 2, alt = m & 4, win = m & 8;
    int32_t code = 'X' + (shift ? kModShift : 0) + (ctrl ? kModCtrl : 0) + (alt ? kModAlt : 0) + (win ? kModWin : 0);
    bool want = win || (ctrl && alt) || (alt && shift);
    EXPECT_EQ(IsGlobalCapable(code), want) << "shift " << shift << " ctrl " << ctrl << " alt " << alt << " win " << win;
  }
}

TEST_F(Keys, MainWindowLaterEntriesTakeTheKeyOver) {
  InstallMainShortcuts();
  EXPECT_EQ(ShortcutCommand(0, 118), 197);     // F7 mutes, it does not switch to the Book profile
  EXPECT_EQ(ShortcutCommand(0, 131152), 223);  // Ctrl+P: the WMP entry came last
  EXPECT_EQ(ShortcutCommand(0, 120), 226);
  EXPECT_EQ(ShortcutCommand(0, 131151), 170);
  EXPECT_EQ(ShortcutCommand(0, 65593), 302);   // Shift+9
  EXPECT_EQ(ShortcutCommand(0, 93), 229);
  EXPECT_EQ(ShortcutCommand(0, kModShift + 121), 229);
  EXPECT_EQ(ShortcutCommand(0, 13), 222);
  EXPECT_EQ(ShortcutCommand(0, 0), 0);         // the keyless entries are there but never fire
  int keyless = 0;
  for (const auto& s : WindowShortcuts(0)) keyless += s.code == 0;
  EXPECT_EQ(keyless, 1);
  EXPECT_TRUE(added.empty());
  // One entry per distinct key; order of first appearance kept.
  EXPECT_EQ(WindowShortcuts(0).front().code, 0);
}

TEST_F(Keys, GlobalEntriesRegisterOnlyWhenCapable) {
  SetCode("Global\\Hotkey.VolumeDown", kModWin + 120);
  SetCode("Global\\Hotkey.Pause", kModCtrl + kModShift + 'X');
  InstallMainShortcuts();
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], (std::array<int32_t, 3>{0, kModWin + 120, 160}));
  EXPECT_EQ(ShortcutCommand(0, kModWin + 120), 0);
  EXPECT_EQ(ShortcutCommand(0, kModCtrl + kModShift + 'X'), 157);  // works in the main window only
  RemoveWindowShortcuts(0);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0][2], 160);
  EXPECT_EQ(ShortcutCommand(0, kModCtrl + kModShift + 'X'), 0);
  EXPECT_EQ(ShortcutCommand(0, 131151), 0);
  EXPECT_EQ(ShortcutCommand(0, 13), 222);  // the fixed keys are not entries of the table
  // The user chose another key: reinstalled, the old one is gone.
  SetCode("Main\\Shortcut.AddFile", kModCtrl + 'A');
  InstallMainShortcuts();
  EXPECT_EQ(ShortcutCommand(0, kModCtrl + 'A'), 170);
  EXPECT_EQ(ShortcutCommand(0, 131151), 0);
}

TEST_F(Keys, MenusShowTheCurrentKeyAfterATab) {
  shell.menuText[170] = "&Ajouter des fichiers\tCtrl+X";
  shell.menuText[167] = "&Ouvrir\tF2";
  shell.menuText[231] = "Supprimer";
  shell.menuText[159] = "Volume +";
  SetCode("Global\\Hotkey.VolumeUp", kModWin + 121);
  InstallMainShortcuts();
  EXPECT_EQ(shell.menuText[170], "&Ajouter des fichiers\tCtrl+O");
  EXPECT_EQ(shell.menuText[167], "&Ouvrir");      // no key: no key text
  EXPECT_EQ(shell.menuText[231], "Supprimer");    // the track list menu is updated when shown
  EXPECT_EQ(shell.menuText[159], "Volume +\tWin+F10");
  EXPECT_EQ(shell.menuText.count(219), 0u);       // the log entry is in no menu
  EXPECT_EQ(shell.menuText.count(174), 0u);       // an item the menu does not have is not made up
  ShowShortcutsInMenu(kMenuTrackList);
  EXPECT_EQ(shell.menuText[231], "Supprimer\tKey.Delete");
}

TEST_F(Keys, ChildWindowsGetTimersAndThePlaybackFamilies) {
  SetupChildWindow(kShortcutPlayedListWindow);
  EXPECT_EQ(WindowTimers(kShortcutPlayedListWindow).size(), 2u);
  EXPECT_EQ(WindowTimers(kShortcutPlayedListWindow)[0].id, 2);
  EXPECT_EQ(WindowTimers(kShortcutPlayedListWindow)[0].milliseconds, 500);
  EXPECT_EQ(WindowTimers(kShortcutPlayedListWindow)[1].id, 3);
  EXPECT_EQ(WindowTimers(kShortcutPlayedListWindow)[1].milliseconds, 300);
  EXPECT_EQ(ShortcutCommand(kShortcutPlayedListWindow, 131106), 0);  // Ctrl+Page Down
  EXPECT_EQ(ShortcutCommand(kShortcutPlayedListWindow, 131105), 0);
  EXPECT_EQ(ShortcutCommand(kShortcutPlayedListWindow, 120), 226);
  EXPECT_EQ(ShortcutCommand(kShortcutPlayedListWindow, 131085), 211);
  EXPECT_EQ(ShortcutCommand(kShortcutPlayedListWindow, 131151), 0);  // "Main\" keys stay in the main window
  SetupChildWindow(3800);
  EXPECT_EQ(ShortcutCommand(3800, 131106), 184);
  EXPECT_EQ(ShortcutCommand(3800, 118), 197);
  ForgetWindow(3800);
  EXPECT_TRUE(WindowShortcuts(3800).empty());
  EXPECT_TRUE(WindowTimers(3800).empty());
}

TEST_F(Keys, MnemonicsWorkWithAndWithoutAlt) {
  EXPECT_EQ(AddMnemonicShortcut("&Non", 9, 7), 'N');
  EXPECT_EQ(ShortcutCommand(9, 'N'), 7);
  EXPECT_EQ(ShortcutCommand(9, kModAlt + 'N'), 7);
  EXPECT_EQ(AddMnemonicShortcut("An&nuler", 9, 2), 'N');  // same letter: the later button takes it
  EXPECT_EQ(ShortcutCommand(9, 'N'), 2);
  EXPECT_EQ(AddMnemonicShortcut("Oui", 9, 6), 0);
  EXPECT_EQ(AddMnemonicShortcut("&1", 9, 6), 0);
  EXPECT_EQ(AddMnemonicShortcut("Fin&", 9, 6), 0);
  EXPECT_EQ(AddMnemonicShortcut("&Été", 9, 6), 0);
  EXPECT_EQ(WindowShortcuts(9).size(), 2u);
}

class Recorder : public CommonCommands {
 public:
  std::vector<std::string> calls;
  void ProcessSyncEvents() override { calls.push_back("sync"); }
  void CountDownMonitorRepeat() override { calls.push_back("repeat"); }
  void MonitorPlaySelected() override { calls.push_back("mplay"); }
  void MonitorTogglePause() override { calls.push_back("mpause"); }
  void MonitorStop() override { calls.push_back("mstop"); }
  void MonitorLowVolume() override { calls.push_back("mlow"); }
  void MonitorHighVolume() override { calls.push_back("mhigh"); }
  void ChangePitch(double d) override { calls.push_back("pitch " + std::to_string(d)); }
  void ChangeTempo(double d) override { calls.push_back("tempo " + std::to_string(d)); }
  void ToggleTempoPitch() override { calls.push_back("tempopitch"); }
  void TogglePause() override { calls.push_back("pause"); }
  void StopOutput() override { calls.push_back("stop"); }
  void JumpPosition(int s) override { calls.push_back("jump " + std::to_string(s)); }
  void ToggleMute() override { calls.push_back("mute"); }
  void StepVolume(int s) override { calls.push_back("volume " + std::to_string(s)); }
  void OpenPlayedListWindow() override { calls.push_back("playedlist"); }
  void ReplayLastPlayed() override { calls.push_back("replay"); }
  void SwitchLoopingOff() override { calls.push_back("loopoff"); }
  void StartNextTrack() override { calls.push_back("next"); }
};

TEST(CommonEvents, EveryCommonCommandReachesItsOperation) {
  Recorder r;
  SetCommonCommands(&r);
  struct Case {
    int32_t command;
    std::vector<std::string> want;
  } cases[] = {
      {203, {"pitch -0.500000"}}, {202, {"pitch 0.500000"}}, {201, {"tempo -1.000000"}}, {200, {"tempo 1.000000"}},
      {198, {"tempopitch"}},      {192, {"pause"}},          {223, {"pause"}},           {193, {"stop"}},
      {224, {"stop"}},            {207, {"jump -10"}},       {228, {"jump -10"}},        {206, {"jump 10"}},
      {227, {"jump 10"}},         {197, {"mute"}},           {196, {"volume -10"}},      {226, {"volume -10"}},
      {195, {"volume 10"}},       {225, {"volume 10"}},      {184, {"loopoff", "next"}}, {210, {"mplay"}},
      {211, {"mpause"}},          {212, {"mstop"}},          {213, {"mlow"}},            {214, {"mhigh"}},
  };
  for (const auto& c : cases) {
    r.calls.clear();
    EXPECT_TRUE(HandleCommonEvent({CommonEvent::Menu, c.command}, false)) << c.command;
    EXPECT_EQ(r.calls, c.want) << c.command;
  }
  r.calls.clear();
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Menu, 183}, true));
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Menu, 183}, false));
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Timer, 2}, false));
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Timer, 3}, true));
  EXPECT_EQ(r.calls, (std::vector<std::string>{"playedlist", "replay", "sync", "repeat"}));
  r.calls.clear();
  for (int32_t other : {170, 185, 194, 204, 208, 222, 229, 0, -1})
    EXPECT_FALSE(HandleCommonEvent({CommonEvent::Menu, other}, true)) << other;
  EXPECT_FALSE(HandleCommonEvent({CommonEvent::Timer, 1}, true));
  EXPECT_FALSE(HandleCommonEvent({CommonEvent::Timer, 4}, true));
  EXPECT_FALSE(HandleCommonEvent({CommonEvent::Other, 192}, true));
  EXPECT_TRUE(r.calls.empty());
  // Info speaks the status, even before a player exists.
  ResetSettings();
  RegisterSettings();
  RecordingSpeech rec;
  SetSpeechBackend(&rec);
  SetCommonCommands(nullptr);
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Menu, 190}, false));
  EXPECT_EQ(rec.Last(), ", , , Volume 80%");
  EXPECT_TRUE(HandleCommonEvent({CommonEvent::Menu, 192}, false));  // harmless without a player
  SetSpeechBackend(nullptr);
  ResetSettings();
}

}  // namespace
