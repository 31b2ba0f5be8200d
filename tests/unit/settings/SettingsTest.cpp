#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>

#include "access/ShortcutTable.h"
#include "app/TextUtil.h"
#include "common/TestEnv.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

using testenv::Fixture;

class SettingsTest : public Fixture {};

TEST_F(SettingsTest, FlagAndNumberReadings) {
  AddMW_Flag("Test.Flag", 1, 0, false);
  AddMW_Lont("Test.Number", 2, 0, 7);
  EXPECT_FALSE(GetMWFlag(1));
  for (const char* yes : {"ON ", "on", "1", " On"}) {
    SetMWValue(1, yes);
    EXPECT_TRUE(GetMWFlag(1)) << yes;
  }
  for (const char* no : {"yes", "true", "0", "", "off", "Onn"}) {
    SetMWValue(1, no);
    EXPECT_FALSE(GetMWFlag(1)) << no;
  }
  EXPECT_EQ(GetMWNumber(2), 7);
  SetMWValue(2, "-42abc");
  EXPECT_EQ(GetMWNumber(2), -42);
  SetMWValue(2, "abc");
  EXPECT_EQ(GetMWNumber(2), 0);
  SetMWValue(2, "+15");
  EXPECT_EQ(GetMWNumber(2), 15);
  // Unknown ids read empty and ignore writes.
  SetMWValue(999, "x");
  EXPECT_EQ(GetMWValue(999), "");
  EXPECT_FALSE(GetMWFlag(999));
  EXPECT_EQ(GetMWNumber(999), 0);
}

TEST_F(SettingsTest, FlagDefaultsAndWrites) {
  AddMW_Flag("Test.On", 1, 0, true);
  AddMW_Flag("Test.Off", 2, 0, false);
  EXPECT_EQ(GetMWValue(1), "On");
  EXPECT_EQ(GetMWValue(2), "");  // untouched false flag stays empty
  SetMWFlag(2, false);
  EXPECT_EQ(GetMWValue(2), "Off");
  SetMWFlag(2, true);
  EXPECT_EQ(GetMWValue(2), "On");
  // Writes through the typed setters leave SettingsChanged alone.
  EXPECT_FALSE(App.SettingsChanged);
}

TEST_F(SettingsTest, DuplicateRegistrationKeepsTheFirst) {
  AddMW_Lont("Output.Volume", 96, 0, 80);
  AddMW_Lont("output.volume", 97, 0, 10);  // same name, other case
  AddMW_String("Other", 96, 0, "x");        // same id
  AddMW_KeyboardShortcut("Main\\Shortcut.Test", 500, 0, 5, 166);
  AddMW_KeyboardShortcut("MAIN\\SHORTCUT.TEST", 501, 0, 6, 166);
  ASSERT_EQ(SettingsList().size(), 2u);
  EXPECT_EQ(GetMWNumber(96), 80);
  EXPECT_EQ(GetMWValue(97), "");
  EXPECT_NE(LogText().find("AddMW_KeyboardShortcut"), std::string::npos);
  ASSERT_NE(FindSetting(0, "OUTPUT.VOLUME"), nullptr);
  EXPECT_EQ(FindSetting(0, "OUTPUT.VOLUME")->Id, 96);
  EXPECT_EQ(FindSetting(500)->Type, kSettingShortcut);
}

TEST_F(SettingsTest, GlobalKeysAreHotkeys) {
  RegisterShortcutSettings();
  EXPECT_EQ(FindSetting(0, "Global\\Hotkey.Pause")->Type, kSettingHotkey);
  EXPECT_EQ(FindSetting(0, "Output\\Shortcut.Pause")->Type, kSettingShortcut);
  EXPECT_EQ(GetMWNumber(170), 131151);  // Ctrl+O adds files
  EXPECT_EQ(FindSetting(0, "Main\\Shortcut.OutputEffect9")->Id, 302);
  EXPECT_EQ(GetMWNumber(302), 65593);
  EXPECT_EQ(FindSetting(0, "Main\\Shortcut.AffLog")->Menu, kMenuNone);
}

TEST_F(SettingsTest, NameHasPrefix) {
  EXPECT_FALSE(NameHasPrefix("", ""));
  EXPECT_TRUE(NameHasPrefix("Output.Volume", ""));
  EXPECT_TRUE(NameHasPrefix("Output.Volume", "output."));
  EXPECT_FALSE(NameHasPrefix("Out", "Output"));
}

class SettingsFileTest : public Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    App.PrefPath = testenv::FreshFolder("pref");
    App.MainPath = testenv::FreshFolder("main");
    RegisterShortcutSettings();
    RegisterSettings();
  }
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndAsksForASave) {
  Pref_Load();
  EXPECT_TRUE(App.SettingsChanged);
  EXPECT_EQ(App.MainWindowZ, kWindowMaximized);
  EXPECT_EQ(App.MainWindowW, 600);
  EXPECT_EQ(App.MainWindowY, 100);
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 80);
  EXPECT_NE(LogText().find("* Pref_Load() IDP=0"), std::string::npos);
}

TEST_F(SettingsFileTest, LayoutAsWritten) {
  App.MainLang = "english";
  App.MainWindowX = 12;
  SetMWNumber(setting::OutputVolume, 55);
  AddRecent(RecentList::Files, "/music/a.mp3", true, true);
  ASSERT_TRUE(Pref_Save(true));
  std::string t = testenv::ReadBytes(SettingsFilePath());
  ASSERT_EQ(t.rfind("\xEF\xBB\xBF; Nom : Tondrial\r\n; Version : 0,4,1210,2500\r\nMainWindowX = 12\r\n", 0), 0u);
  EXPECT_NE(t.find("MainWindowZ = 16777216\r\nMainLang = english\r\nGlobal\\Shortcut.OnTopOrSystrayOut = 0\r\n"),
            std::string::npos);
  EXPECT_NE(t.find("Output.Volume = 55\r\n"), std::string::npos);
  // Shortcuts first, then the general settings in registration order.
  EXPECT_LT(t.find("Main\\Shortcut.EditLang = 262257"), t.find("Output.Name = "));
  EXPECT_LT(t.find("Output.Name = "), t.find("Main\\Font.Edit = Arial;10"));
  EXPECT_NE(t.find("; Recent Files\r\nRecentFile0 = /music/a.mp3\r\n; Recent Play Files\r\n"), std::string::npos);
  EXPECT_FALSE(App.SettingsChanged);
  EXPECT_EQ(t.find('\n'), t.find("\r\n") + 1);
}

TEST_F(SettingsFileTest, RoundTripToleratesCaseSpacesAndAnsi) {
  testenv::WriteBytes(SettingsFilePath(),
                      "; comment\r\n[Group]\r\nmainwindowx=33\r\n  Output.VOLUME   =  12  \n"
                      "Main\\Font.Edit = Caf\xE9;12\r\nPlayList.AutoNextPlay = Off\r\nRecentFile0 = %MainApp%x.mp3\r\n");
  Pref_Load();
  EXPECT_FALSE(App.SettingsChanged);
  EXPECT_EQ(App.MainWindowX, 33);
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 12);
  EXPECT_EQ(GetMWValue(setting::FontEdit), "Café;12");  // 8-bit file read as Windows-1252
  EXPECT_FALSE(GetMWFlag(setting::AutoNextPlay));
  EXPECT_TRUE(GetMWFlag(setting::ExamineBeforeAdd));  // missing key: default
  EXPECT_EQ(RecentEntry(RecentList::Files, 0), App.MainPath + "x.mp3");
  EXPECT_NE(LogText().find("* Pref_Load() IDP=1"), std::string::npos);
}

TEST_F(SettingsFileTest, SaveOnlyWhenChangedOrForced) {
  App.SettingsChanged = false;
  EXPECT_FALSE(Pref_Save(false));
  EXPECT_FALSE(fileutil::Exists(SettingsFilePath()));
  EXPECT_EQ(LogText().find("Pref_Save"), std::string::npos);
  App.SettingsChanged = true;
  EXPECT_TRUE(Pref_Save(false));
  EXPECT_TRUE(fileutil::Exists(SettingsFilePath()));
}

// A write that fails half-way (here: the file-size limit, which even root cannot pass)
// leaves the previous file whole, keeps SettingsChanged, and leaves no stray files.
#ifndef _WIN32  // the file-size limit is a POSIX resource limit
TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFile) {
  SetMWNumber(setting::OutputVolume, 42);
  ASSERT_TRUE(Pref_Save(true));
  std::string before = testenv::ReadBytes(SettingsFilePath());

  SetMWNumber(setting::OutputVolume, 43);
  App.SettingsChanged = true;
  auto old = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  bool wrote = Pref_Save(false);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old);

  EXPECT_FALSE(wrote);
  EXPECT_TRUE(App.SettingsChanged);
  EXPECT_EQ(testenv::ReadBytes(SettingsFilePath()), before);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(App.PrefPath)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_NE(LogText().find("* Pref_Save() IDP=0"), std::string::npos);
  // The next tick succeeds.
  EXPECT_TRUE(Pref_Save(false));
  EXPECT_NE(testenv::ReadBytes(SettingsFilePath()).find("Output.Volume = 43"), std::string::npos);

  // A recent file is written off the caller's thread; when that write fails, the next save (the
  // minute timer, or the quit) writes it.
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  old = std::signal(SIGXFSZ, SIG_IGN);
  AddRecent(RecentList::Files, "/music/late.mp3", true, false);
  wrote = Pref_Save(false);  // waits for the write handed over, then fails as well
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old);
  EXPECT_FALSE(wrote);
  EXPECT_TRUE(App.SettingsChanged);
  EXPECT_EQ(testenv::ReadBytes(SettingsFilePath()).find("late.mp3"), std::string::npos);
  EXPECT_TRUE(Pref_Save(false));
  EXPECT_NE(testenv::ReadBytes(SettingsFilePath()).find("RecentFile0 = /music/late.mp3"), std::string::npos);
}
#endif
