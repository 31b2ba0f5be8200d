#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <csignal>

#include "access/ShortcutTable.h"
#include "app/Startup.h"
#include "common/TestEnv.h"
#include "settings/SettingIds.h"

class StartupTest : public testenv::Fixture {};

TEST_F(StartupTest, CommandLineSwitches) {
  ParseCommandLine({"-PORTABLE"}, "/opt/t/tondrial");
  EXPECT_TRUE(App.Portable);
  EXPECT_EQ(App.AppName, "Tondrial-Portable");

  ResetAppState();
  ParseCommandLine({"-Minimize", "song.mp3"}, "/opt/t/tondrial");
  EXPECT_FALSE(App.Portable);
  EXPECT_TRUE(App.HiddenInSystray);
  EXPECT_EQ(App.AppName, "Tondrial");

  ResetAppState();
  ParseCommandLine({}, "/opt/t-portable/Tondrial-PORTABLE");
  EXPECT_TRUE(App.Portable);
  ResetAppState();
  ParseCommandLine({}, "/opt/t-portable/tondrial");  // only the file name counts
  EXPECT_FALSE(App.Portable);
}

TEST_F(StartupTest, FoldersPerUserAndPortable) {
  std::string home = testenv::FreshFolder("home");
  std::string config = home + ".config/";  // not there yet: a new account
  std::string docs = home + "Documents/";
  std::filesystem::create_directories(docs);
  platform::OverrideSpecialFolder(platform::Folder::AppData, &config);
  platform::OverrideSpecialFolder(platform::Folder::Documents, &docs);
  platform::OverrideSpecialFolder(platform::Folder::Profile, &home);
  std::string prog = testenv::FreshFolder("prog");
  std::string cwd = platform::CurrentFolder();

  // Started from its own folder: the documents become the current folder.
  platform::SetCurrentFolder(prog);
  ResolveFolders(prog + "tondrial");
  std::string now = platform::CurrentFolder();
  platform::SetCurrentFolder(cwd);
  EXPECT_EQ(now, docs);
  EXPECT_EQ(App.MainPath, prog);
  EXPECT_EQ(App.PrefPath, config + "MerrowinS/Tondrial/");
  EXPECT_TRUE(fileutil::IsFolder(App.PrefPath));
  EXPECT_NE(LogText().find("PrefPath = " + App.PrefPath + "\r\n"), std::string::npos);

  // Started elsewhere: the current folder stays.
  ResolveFolders(prog + "tondrial");
  EXPECT_EQ(platform::CurrentFolder(), cwd);

  // The settings folder cannot be made: the profile folder serves.
  std::filesystem::remove_all(config + "MerrowinS");
  testenv::WriteBytes(config + "MerrowinS", "a file where the folder should be");
  EXPECT_EQ(FolderNoticeText(), "");
  ResolveFolders(prog + "tondrial");
  EXPECT_EQ(App.PrefPath, home);
  // ... and the user hears (and the log tells) where the settings go.
  EXPECT_NE(LogText().find("PrefPath = " + home + "\r\n! Settings folder cannot be written : " + config +
                           "MerrowinS/Tondrial/, settings kept in : " + home + "\r\n"),
            std::string::npos);
  LangTable().push_back({"Msg\\Settings.Elsewhere", "Kept in: %s1%."});
  SortLangTable();
  EXPECT_EQ(FolderNoticeText(), "Kept in: " + home + ".");
  ResetLang();

  // No configuration folder known at all: the profile folder, never a relative path.
  const std::string none;
  platform::OverrideSpecialFolder(platform::Folder::AppData, &none);
  ResolveFolders(prog + "tondrial");
  EXPECT_EQ(App.PrefPath, home);
  EXPECT_EQ(FolderNoticeText(), "");

  // A portable copy in a folder its user cannot write keeps nothing, and says so.
  ASSERT_EQ(::chmod(prog.c_str(), 0755), 0);
  int rc = testenv::RunAsOtherUser([&] {
    ResetLog();
    App.Portable = true;
    ResolveFolders(prog + "tondrial");
    if (FolderNoticeText() != "Msg\\Settings.NotKept") return 1;
    return LogText().find("! Settings folder cannot be written, settings are not kept : " + prog) == std::string::npos
               ? 2
               : 0;
  });
  if (rc != -1) {
    EXPECT_EQ(rc, 0);
  }

  ResetAppState();
  ResetLog();
  App.Portable = true;
  ResolveFolders(prog + "tondrial");
  EXPECT_EQ(App.PrefPath, prog);
  EXPECT_NE(LogText().find("Version Portable\r\nMainPath = "), std::string::npos);
}

// An installed program ("<prefix>/bin/tondrial") reads its languages, help and picture from
// "<prefix>/share/tondrial/"; a copy with its data beside it keeps reading it there.
TEST_F(StartupTest, ShippedFilesOfAnInstalledProgram) {
  std::string prefix = testenv::FreshFolder("usr");
  std::filesystem::create_directories(prefix + "bin");
  EXPECT_EQ(InstalledDataFolder(prefix + "bin/"), "");  // no data installed
  std::filesystem::create_directories(prefix + "share/tondrial/Lang");
  EXPECT_EQ(InstalledDataFolder(prefix + "bin/"), prefix + "share/tondrial/");
  EXPECT_EQ(InstalledDataFolder(prefix + "sbin/"), "");
  EXPECT_EQ(InstalledDataFolder(prefix + "share/tondrial/"), "");
  EXPECT_EQ(InstalledDataFolder("/bin/"), "");

  App.Portable = true;  // the settings stay in the test's folder
  ResolveFolders(prefix + "bin/tondrial");
  EXPECT_EQ(App.MainPath, prefix + "bin/");  // "%MainApp%" still names the program's folder
  EXPECT_EQ(DataFolder(), prefix + "share/tondrial/");
  EXPECT_NE(LogText().find("DataPath = " + prefix + "share/tondrial/\r\n"), std::string::npos);

  // Language files beside the program: a build tree or a portable copy inside a prefix.
  std::filesystem::create_directories(prefix + "bin/Lang");
  ResetLog();
  ResolveFolders(prefix + "bin/tondrial");
  EXPECT_EQ(DataFolder(), prefix + "bin/");
  EXPECT_EQ(LogText().find("DataPath = "), std::string::npos);
}

TEST_F(StartupTest, HeaderLinesInOrder) {
  LogStartHeader("/opt/t/tondrial");
  std::string log = LogText();
  EXPECT_EQ(log.rfind("Tondrial 0,4,1210,2500\r\nStarted the ", 0), 0u);
  EXPECT_NE(log.find(" at "), std::string::npos);
  EXPECT_NE(log.find("\r\nSystem = "), std::string::npos);
  EXPECT_NE(log.find("\r\nApplicationFile = /opt/t/tondrial\r\n"), std::string::npos);
}

TEST_F(StartupTest, ValidateSettingsRepairsInOrder) {
  RegisterShortcutSettings();
  RegisterSettings();
  std::string music = testenv::FreshFolder("music");
  platform::OverrideSpecialFolder(platform::Folder::Music, &music);
  SetMWNumber(setting::OutputFadingTime, 50);
  SetMWNumber(setting::OutputFadingDown, 30);
  SetMWNumber(setting::OutputFadingUp, -3);
  SetMWNumber(setting::OutputMaxVolume, 10);
  SetMWNumber(setting::MonitorHighVolume, 20);
  SetMWValue(setting::MyMusicFolder, "/no/such/folder/");
  SetMWValue(setting::FileAudio, "   ");
  SetMWValue(setting::FileVideo, "AVI;");
  ValidateSettings();
  EXPECT_EQ(GetMWNumber(setting::OutputFadingTime), 20);
  EXPECT_EQ(GetMWNumber(setting::OutputFadingDown), 20);
  EXPECT_EQ(GetMWNumber(setting::OutputFadingUp), 0);
  EXPECT_EQ(GetMWNumber(setting::OutputMaxVolume), 30);
  EXPECT_EQ(GetMWNumber(setting::MonitorHighVolume), 50);
  EXPECT_EQ(GetMWValue(setting::MyMusicFolder), music);
  EXPECT_EQ(GetMWValue(setting::FileAudio), "Mp3;Ogg;Wav;Aiff;WMA;M4A;AAC;Flac;");
  EXPECT_EQ(GetMWValue(setting::FileVideo), "AVI;");
  EXPECT_EQ(GetMWValue(setting::OutputParamEQ), "60§2;250§2;1000§2;3500§2;10000§2;");
  // Each clamp writes its value back, so a valid number is normalised too.
  EXPECT_EQ(GetMWValue(setting::OutputVolume), "80");
  // The play-list extensions an earlier version stored as its default gain ".M3U8"; a list the
  // user chose stays.
  EXPECT_EQ(GetMWValue(setting::FilePlayList), "M3U;M3U8;");
  SetMWValue(setting::FilePlayList, "m3u;");
  ValidateSettings();
  EXPECT_EQ(GetMWValue(setting::FilePlayList), "M3U;M3U8;");
  SetMWValue(setting::FilePlayList, "M3U;PLS;");
  ValidateSettings();
  EXPECT_EQ(GetMWValue(setting::FilePlayList), "M3U;PLS;");
}

TEST_F(StartupTest, FatalCreationTexts) {
  EXPECT_EQ(FatalCreationErrorText(1, ""), "Can't create Main Window!\r\nLe programme doit être arrêté ...");
  EXPECT_EQ(FatalCreationErrorText(9, ""), "Can't create StatusBar \r\nLe programme doit être arrêté ...");
  EXPECT_EQ(FatalCreationErrorText(5, ""), "Can't create PopUp Menu \r\nLe programme doit être arrêté ...");
}

// A processor fault ends the program with code 1 after writing its report to the log.
TEST_F(StartupTest, FaultReportReachesTheLogAndExitsWithOne) {
  std::string pref = testenv::FreshFolder("fault");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    StartUpLogic({"-portable"}, pref + "tondrial");
    AddLog("- Play deviceID=1");
    std::raise(SIGSEGV);
    _exit(5);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::string log = testenv::ReadBytes(pref + "Tondrial.Log");
  EXPECT_EQ(log.rfind("Tondrial 0,4,1210,2500\r\n", 0), 0u);
  size_t report = log.find("A program error was detected:");
  ASSERT_NE(report, std::string::npos);
  EXPECT_LT(log.find("- Play deviceID=1"), report);
  EXPECT_NE(log.find("Error Message:   "), std::string::npos);
  EXPECT_NE(log.find("Error Code: 3221225477 at Address: "), std::string::npos);
  EXPECT_NE(log.find("Target Address:  "), std::string::npos);
  EXPECT_NE(log.find("Register content:"), std::string::npos);
  EXPECT_NE(log.find("RIP = "), std::string::npos);
}
