#include "access/Preferences.h"

#include <gtest/gtest.h>

#include "access/Hotkeys.h"
#include "access/Shortcuts.h"
#include "app/AppState.h"
#include "app/HeadlessShell.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"
#include "settings/SettingIds.h"

namespace {

class RecordingBackend : public HotkeyBackend {
 public:
  std::map<int32_t, std::pair<int, int>> held;
  bool RegisterHotKey(int32_t command, int modifiers, int vk) override {
    held[command] = {modifiers, vk};
    return true;
  }
  bool UnregisterHotKey(int32_t command) override { return held.erase(command) == 1; }
};

int IndexOf(const ShortcutEditorState& s, int32_t command) {
  for (size_t i = 0; i < s.work.size(); ++i)
    if (s.work[i].command == command) return static_cast<int>(i);
  return -1;
}

int KeyIndex(const ShortcutEditorState& s, int32_t vk) {
  for (size_t i = 0; i < s.keys.size(); ++i)
    if (s.keys[i].code == vk) return static_cast<int>(i);
  return -1;
}

// Picks a line, as the list does, then ticks and chooses as the user would, and presses Set.
void SetKey(ShortcutEditorState& s, int32_t command, int32_t code) {
  s.selected = IndexOf(s, command);
  ShortcutEditor("SetCheckBox", s);
  s.alt = code & kModAlt;
  s.ctrl = code & kModCtrl;
  s.shift = code & kModShift;
  s.win = code & kModWin;
  s.keyIndex = KeyIndex(s, code & 0xFF);
  ShortcutEditor("change", s);
}

class Prefs : public testenv::Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.MainPath = testenv::FreshFolder("main");
    App.PrefPath = App.MainPath;
    App.MainLang = "français";
    testenv::WriteBytes(App.MainPath + "Lang/français.Lng", "");
    testenv::WriteBytes(App.MainPath + "Lang/English.Lng", "");
    RegisterShortcutSettings();
    RegisterSettings();
    ResetWindowShortcuts();
    SetShell(&shell);
    SetGlobalHotkeys(&hotkeys);
    InstallMainShortcuts();
    OpenPreferencesForm(form);
  }
  void TearDown() override {
    SetGlobalHotkeys(nullptr);
    ResetWindowShortcuts();
    Fixture::TearDown();
  }
  HeadlessShell shell;
  RecordingBackend backend;
  SystemHotkeys hotkeys{&backend};
  PreferencesForm form;
};

TEST_F(Prefs, WorkListAndKeyList) {
  const auto& s = form.shortcuts;
  ASSERT_EQ(s.work.size(), ShortcutTable().size());
  // Window shortcuts first in registration order, the ten global hotkeys last.
  EXPECT_EQ(s.work.front().key, "Main\\Shortcut.OpenFile");
  EXPECT_EQ(s.work[s.work.size() - 10].key, "Global\\Shortcut.OnTopOrSystrayOut");
  EXPECT_EQ(s.work.back().key, "Global\\Hotkey.Info");
  EXPECT_EQ(s.work.back().kind, 2);
  EXPECT_EQ(s.lines[static_cast<size_t>(IndexOf(s, 170))], "Main\\Shortcut.AddFile=Key.Ctrl+O");
  EXPECT_EQ(s.lines.front(), "Main\\Shortcut.OpenFile=");
  EXPECT_EQ(s.selected, 0);

  ASSERT_FALSE(s.keys.empty());
  EXPECT_EQ(s.keys[0].text, "Key.NoKey");
  EXPECT_EQ(s.keys[0].code, 0);
  for (size_t i = 1; i < s.keys.size(); ++i) {
    EXPECT_FALSE(s.keys[i].text.empty());
    EXPECT_GT(s.keys[i].code, s.keys[i - 1].code);
  }
  EXPECT_EQ(s.keys[static_cast<size_t>(KeyIndex(s, 124))].text, "F13");
  EXPECT_EQ(KeyIndex(s, 1), -1);  // no name, not offered
}

TEST_F(Prefs, SelectingALineShowsItsModifiersAndKey) {
  auto& s = form.shortcuts;
  s.selected = IndexOf(s, 232);  // Alt+Up
  ShortcutEditor("SETCHECKBOX", s);
  EXPECT_TRUE(s.alt);
  EXPECT_FALSE(s.ctrl || s.shift || s.win);
  EXPECT_EQ(s.keys[static_cast<size_t>(s.keyIndex)].code, 38);
  s.selected = 0;  // no key
  ShortcutEditor("SetCheckBox", s);
  EXPECT_FALSE(s.alt);
  EXPECT_EQ(s.keyIndex, 0);
}

TEST_F(Prefs, ChangeRefusesAModifierWithoutKeyAndATakenKey) {
  auto& s = form.shortcuts;
  SetKey(s, 190, kModCtrl);  // Ctrl and no key
  SetKey(s, 190, kModCtrl + 'O');  // the add-file key
  ASSERT_EQ(shell.messages.size(), 2u);
  EXPECT_EQ(shell.messages[0].title, "Msg.Error");
  EXPECT_EQ(shell.messages[0].text, "Msg.NoKeySelected");
  EXPECT_EQ(shell.messages[1].text, "Msg.ExistShortcut\r\nMain\\Shortcut.AddFile");
  EXPECT_EQ(s.work[static_cast<size_t>(IndexOf(s, 190))].value, std::to_string(kModCtrl + 112));
  EXPECT_FALSE(s.changed);
  // No key is never taken: two entries may both have none.
  SetKey(s, 190, 0);
  SetKey(s, 170, 0);
  EXPECT_EQ(shell.messages.size(), 2u);
  EXPECT_EQ(s.work[static_cast<size_t>(IndexOf(s, 170))].value, "0");
  EXPECT_EQ(s.lines[static_cast<size_t>(IndexOf(s, 170))], "Main\\Shortcut.AddFile=");
  EXPECT_TRUE(s.focusList);
}

TEST_F(Prefs, GlobalEntryWithoutGlobalModifiersIsStoredAndWarned) {
  auto& s = form.shortcuts;
  SetKey(s, 157, kModCtrl + kModShift + 'H');
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Msg.Warning");
  EXPECT_EQ(shell.messages[0].text, "Msg.NotGlobalShortcut");
  EXPECT_EQ(s.work[static_cast<size_t>(IndexOf(s, 157))].value, std::to_string(kModCtrl + kModShift + 'H'));
  SetKey(s, 158, kModCtrl + kModAlt + 'M');  // capable: no warning
  EXPECT_EQ(shell.messages.size(), 1u);
  SetKey(s, 158, 0);  // cleared: warned too
  EXPECT_EQ(shell.messages.size(), 2u);
  // The requester goes where the window says (its own parent).
  int asked = 0;
  s.ask = [&](const std::string&, const std::string&, int) { return ++asked, 6; };
  SetKey(s, 159, kModShift + 'V');
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(shell.messages.size(), 2u);
}

TEST_F(Prefs, EditsStayInTheFormUntilConfirmed) {
  auto& s = form.shortcuts;
  SetKey(s, 195, 122);  // volume up on F11
  SetKey(s, 159, kModCtrl + kModAlt + 'U');
  form.checks[setting::AutoNextPlay] = false;
  form.texts[setting::DisplayTime] = "%sss";
  // Nothing has reached the settings or the installed keys yet (cancel drops the form).
  EXPECT_EQ(GetMWValue(195), "121");
  EXPECT_TRUE(GetMWFlag(setting::AutoNextPlay));
  EXPECT_EQ(ShortcutCommand(0, 122), 0);
  EXPECT_TRUE(backend.held.empty());
  EXPECT_FALSE(fileutil::Exists(SettingsFilePath()));

  shell.menuText[195] = "Plus fort\tF10";
  PrefConfirmResult r = ConfirmPreferences(form);
  EXPECT_TRUE(r.shortcutsInstalled);
  EXPECT_EQ(shell.menuText[195], "Plus fort\tF11");  // the menu shows the new key
  EXPECT_FALSE(r.languageChanged);
  EXPECT_FALSE(r.fontChanged);
  EXPECT_EQ(GetMWValue(195), "122");
  EXPECT_EQ(ShortcutCommand(0, 122), 195);
  EXPECT_EQ(ShortcutCommand(0, 121), 225);  // F10 stays the other volume-up key
  EXPECT_EQ(backend.held[159], std::make_pair(3, int('U')));
  EXPECT_FALSE(GetMWFlag(setting::AutoNextPlay));
  EXPECT_EQ(GetMWValue(setting::AutoNextPlay), "Off");
  EXPECT_EQ(GetMWValue(setting::DisplayTime), "%sss");
  std::string file = testenv::ReadBytes(SettingsFilePath());
  EXPECT_NE(file.find("Output\\Shortcut.VolumeUp = 122\r\n"), std::string::npos);
  EXPECT_NE(file.find("Global\\Hotkey.VolumeUp = " + std::to_string(kModCtrl + kModAlt + 'U')), std::string::npos);
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(Prefs, SettingsWithoutAControlAreLeftAlone) {
  SetMWFlag(setting::RemovePlayed, true);
  SetMWValue(setting::FileAudio, "Mp3;");
  ConfirmPreferences(form);
  EXPECT_TRUE(GetMWFlag(setting::RemovePlayed));
  EXPECT_EQ(GetMWValue(setting::FileAudio), "Mp3;");
  EXPECT_NE(testenv::ReadBytes(SettingsFilePath()).size(), 0u);  // written even with no change
}

TEST_F(Prefs, AnotherLanguageIsForTheNextStart) {
  ASSERT_EQ(form.languages.size(), 2u);
  EXPECT_EQ(form.languages[static_cast<size_t>(form.language)], "français");
  form.language = 1;
  ConfirmPreferences(form);
  EXPECT_EQ(App.MainLang, "english");
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].title, "Msg.Info");
  EXPECT_EQ(shell.messages[0].text, "Msg.ChangeLang");
  // The same language in other letters is no change.
  App.MainLang = "ENGLISH";
  OpenPreferencesForm(form);
  EXPECT_EQ(form.language, 1);
  ConfirmPreferences(form);
  EXPECT_EQ(shell.messages.size(), 1u);
}

TEST_F(Prefs, FontTextAndItsChange) {
  std::string name;
  int size = -1;
  SplitFontText("DejaVu Sans;12", name, size);
  EXPECT_EQ(name, "DejaVu Sans");
  EXPECT_EQ(size, 12);
  SplitFontText("Arial", name, size);
  EXPECT_EQ(name, "Arial");
  EXPECT_EQ(size, 0);
  EXPECT_EQ(FontText("Serif", 14), "Serif;14");
  EXPECT_EQ(form.font, "Arial;10");
  form.font = "Serif;14";
  EXPECT_TRUE(ConfirmPreferences(form).fontChanged);
  EXPECT_EQ(GetMWValue(setting::FontEdit), "Serif;14");
}

}  // namespace
