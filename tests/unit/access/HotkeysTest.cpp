#include "access/Hotkeys.h"

#include <gtest/gtest.h>

#include <array>

#include "access/CommonEvents.h"
#include "access/Speech.h"
#include "app/AppState.h"
#include "app/HeadlessShell.h"
#include "settings/SettingIds.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"

namespace {

// The system's side as the OS would see it: which identifiers hold which key.
class Backend : public HotkeyBackend {
 public:
  std::map<int32_t, std::pair<int, int>> held;
  bool refuse = false;
  bool RegisterHotKey(int32_t command, int modifiers, int vk) override {
    if (refuse || held.count(command)) return false;
    held[command] = {modifiers, vk};
    return true;
  }
  bool UnregisterHotKey(int32_t command) override { return held.erase(command) == 1; }
};

std::vector<std::string> BodyLines() {
  std::vector<std::string> out;
  for (auto& l : text::Split(LogText(), '\n')) {
    std::string t = text::TrimRight(l);
    if (!t.empty() && t.back() == '\r') t.pop_back();
    if (t.rfind("- ", 0) == 0 || t.rfind("! ", 0) == 0) out.push_back(t);
  }
  return out;
}

class Hotkeys : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    RegisterShortcutSettings();
    RegisterSettings();
    ResetWindowShortcuts();
    SetShell(&shell);
    SetGlobalHotkeys(&hotkeys);
  }
  void TearDown() override {
    SetGlobalHotkeys(nullptr);
    ResetWindowShortcuts();
    Fixture::TearDown();
  }
  HeadlessShell shell;
  Backend backend;
  SystemHotkeys hotkeys{&backend};
};

TEST(HotkeyModifiers, EachModifierHasItsSystemBit) {
  EXPECT_EQ(HotkeyModifiers(kModAlt + 'A'), 1);
  EXPECT_EQ(HotkeyModifiers(kModCtrl + 'A'), 2);
  EXPECT_EQ(HotkeyModifiers(kModShift + 'A'), 4);
  EXPECT_EQ(HotkeyModifiers(kModWin + 'A'), 8);
  EXPECT_EQ(HotkeyModifiers(kModAlt + kModCtrl + kModShift + kModWin + 'A'), 15);
  EXPECT_EQ(HotkeyModifiers('A'), 0);
}

TEST_F(Hotkeys, RegistrationAndRemovalAreLogged) {
  hotkeys.AddGlobalShortcut(0, kModWin + 120, 160);
  ASSERT_EQ(backend.held.count(160), 1u);
  EXPECT_EQ(backend.held[160], std::make_pair(8, 120));
  // A key taken already fails and says so; no key at all registers nothing and says nothing.
  backend.refuse = true;
  hotkeys.AddGlobalShortcut(0, kModCtrl + kModAlt + 'U', 159);
  hotkeys.AddGlobalShortcut(0, kModCtrl + kModAlt, 158);
  backend.refuse = false;
  hotkeys.RemoveGlobalKeyboardShortcut(0, 160);
  hotkeys.RemoveGlobalKeyboardShortcut(0, 159);
  EXPECT_EQ(BodyLines(), (std::vector<std::string>{
                             "- AddGlobalShortcut,  WindowID=0 HotKey=Key.Win+F9 MenuID=160",
                             "! Error AddGlobalShortcut,  WindowID=0 HotKey=Key.Alt+Key.Ctrl+U MenuID=159",
                             "- RemoveGlobalKeyboardShortcut, WindowID=0 MenuID=160",
                             "! Error RemoveGlobalKeyboardShortcut, WindowID=0 MenuID=159",
                         }));
  EXPECT_TRUE(backend.held.empty());
}

TEST_F(Hotkeys, WithoutSystemHotkeysEveryGrabFailsAndTheProgramGoesOn) {
  SystemHotkeys none;
  none.AddGlobalShortcut(0, kModWin + 'K', 157);
  none.RemoveGlobalKeyboardShortcut(0, 157);
  EXPECT_EQ(BodyLines(), (std::vector<std::string>{
                             "! Error AddGlobalShortcut,  WindowID=0 HotKey=Key.Win+K MenuID=157",
                             "! Error RemoveGlobalKeyboardShortcut, WindowID=0 MenuID=157",
                         }));
}

TEST_F(Hotkeys, MainShortcutsRegisterCapableGlobalEntriesOnly) {
  SetMWValue(157, std::to_string(kModCtrl + kModAlt + 'P'));
  SetMWValue(159, std::to_string(kModCtrl + kModShift + 'X'));  // not global: a main-window key
  InstallMainShortcuts();
  EXPECT_EQ(backend.held.size(), 1u);
  EXPECT_EQ(backend.held[157], std::make_pair(3, int('P')));
  EXPECT_EQ(ShortcutCommand(0, kModCtrl + kModShift + 'X'), 159);
  RemoveWindowShortcuts(0);
  EXPECT_TRUE(backend.held.empty());
  EXPECT_EQ(ShortcutCommand(0, kModCtrl + kModShift + 'X'), 0);
}

class Recorder : public CommonCommands {
 public:
  std::vector<std::string> calls;
  void TogglePause() override { calls.push_back("pause"); }
  void ToggleMute() override { calls.push_back("mute"); }
  void StepVolume(int s) override { calls.push_back("volume " + std::to_string(s)); }
  void JumpPosition(int s) override { calls.push_back("jump " + std::to_string(s)); }
  void SwitchLoopingOff() override { calls.push_back("loop off"); }
  void StartNextTrack() override { calls.push_back("next"); }
  void ReplayLastPlayed() override { calls.push_back("replay"); }
  void OpenPlayedListWindow() override { calls.push_back("played window"); }
};

TEST_F(Hotkeys, EachGlobalCommandDoesWhatItsKeyDoesInThePlayer) {
  Recorder rec;
  SetCommonCommands(&rec);
  RecordingSpeech speech;
  SetSpeechBackend(&speech);
  for (int32_t c = 157; c <= 166; ++c) HandleGlobalHotkey(c);
  HandleGlobalHotkey(192);  // not a global command
  SetCommonCommands(nullptr);
  SetSpeechBackend(nullptr);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"pause", "mute", "volume 10", "volume -10", "loop off", "next",
                                                  "replay", "jump 10", "jump -10"}));
  EXPECT_EQ(speech.lines.size(), 1u);  // 165 says the status
}

TEST_F(Hotkeys, ShowKeyTogglesTheSystrayOnlyWhenTheOptionIsOn) {
  // Off: always brought back.
  HandleGlobalHotkey(156);
  EXPECT_TRUE(shell.mainVisible);
  SetMWFlag(setting::ToogleShortcutSystrayOut, true);
  HandleGlobalHotkey(156);  // in front: into the systray
  EXPECT_FALSE(shell.mainVisible);
  EXPECT_TRUE(App.HiddenInSystray);
  HandleGlobalHotkey(156);  // and back
  EXPECT_TRUE(shell.mainVisible);
  EXPECT_FALSE(App.HiddenInSystray);
  shell.mainActive = false;  // another program has the keyboard: brought to the front
  HandleGlobalHotkey(156);
  EXPECT_TRUE(shell.mainVisible);
}

}  // namespace
