#include "app/Startup.h"

#include <ctime>

#include "access/ShortcutTable.h"
#include "access/Speech.h"
#include "app/AppHooks.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/PathTools.h"
#include "app/SingleInstance.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

// Installation folders below the prefix, as the build installs them.
#ifndef TONDRIAL_INSTALL_BINDIR
#define TONDRIAL_INSTALL_BINDIR "bin"
#endif
#ifndef TONDRIAL_INSTALL_DATADIR
#define TONDRIAL_INSTALL_DATADIR "share/tondrial"
#endif

namespace {

constexpr const char* kInstallBinDir = TONDRIAL_INSTALL_BINDIR;
constexpr const char* kInstallDataDir = TONDRIAL_INSTALL_DATADIR;

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

void ReportFault(const std::string& report) {
  AddLog(report);
  WriteLog();
}

// Where the settings went when their folder could not be written, said once the texts are loaded.
enum class FolderNotice { None, Elsewhere, NotKept };
FolderNotice g_folderNotice = FolderNotice::None;

void ClampSetting(int id, int lo, int hi) { SetMWNumber(id, Clamp(GetMWNumber(id), lo, hi)); }

void DefaultIfBlank(int id, const std::string& def) {
  if (text::Trim(GetMWValue(id)).empty()) SetMWValue(id, def);
}

}  // namespace

std::string InstalledDataFolder(const std::string& mainPath) {
  // Data beside the program (a build tree, a portable copy) wins over an installation.
  if (mainPath.empty() || fileutil::IsFolder(mainPath + "Lang/")) return {};
  const std::string bin = "/" + std::string(kInstallBinDir) + "/";
  if (mainPath.size() <= bin.size() || mainPath.compare(mainPath.size() - bin.size(), bin.size(), bin) != 0)
    return {};
  std::string data = mainPath.substr(0, mainPath.size() - bin.size() + 1) + kInstallDataDir + "/";
  return fileutil::IsFolder(data) ? data : std::string();
}

void ParseCommandLine(const std::vector<std::string>& args, const std::string& programFile) {
  if (text::FindNoCase(fileutil::FilePart(programFile), "-portable") != std::string::npos) App.Portable = true;
  for (const auto& a : args) {
    std::string arg = text::Lower(a);
    if (arg == "-portable") App.Portable = true;
    else if (arg == "-minimize") App.HiddenInSystray = true;
  }
  App.AppName = App.Portable ? "Tondrial-Portable" : "Tondrial";
}

void LogStartHeader(const std::string& programFile) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  platform::LocalTime(now, tm);
  AddLog(kProductLine, true);
  AddLog("Started the " + Two(tm.tm_mday) + "/" + Two(tm.tm_mon + 1) + "/" + std::to_string(tm.tm_year + 1900) +
             " at " + Two(tm.tm_hour) + ":" + Two(tm.tm_min),
         true);
  AddLog("System = " + platform::OSName(), true);
  AddLog("ApplicationFile = " + programFile, true);
}

void ResolveFolders(const std::string& programFile) {
  App.MainPath = fileutil::FolderPart(programFile);
  App.DataPath = InstalledDataFolder(App.MainPath);
  g_folderNotice = FolderNotice::None;
  std::string refused;
  if (App.Portable) {
    AddLog("Version Portable", true);
    App.PrefPath = App.MainPath;
  } else {
    if (platform::CurrentFolder() == App.MainPath)
      platform::SetCurrentFolder(platform::SpecialFolder(platform::Folder::Documents));
    std::string appData = platform::SpecialFolder(platform::Folder::AppData);
    // Without a configuration folder the settings would land relative to the current folder.
    App.PrefPath = appData.empty() ? std::string() : appData + "MerrowinS/Tondrial/";
    if (App.PrefPath.empty() || !EnsureFolder(App.PrefPath, true, true)) {
      refused = App.PrefPath;
      App.PrefPath = platform::SpecialFolder(platform::Folder::Profile);
      if (!refused.empty()) g_folderNotice = FolderNotice::Elsewhere;
    }
  }
  AddLog("MainPath = " + App.MainPath, true);
  AddLog("PrefPath = " + App.PrefPath, true);
  // A user who cannot write the settings folder must hear that changes are not kept there.
  if (App.PrefPath.empty() || !EnsureFolder(App.PrefPath, false, true)) {
    g_folderNotice = FolderNotice::NotKept;
    AddLog("! Settings folder cannot be written, settings are not kept : " + App.PrefPath, true);
  } else if (g_folderNotice == FolderNotice::Elsewhere) {
    AddLog("! Settings folder cannot be written : " + refused + ", settings kept in : " + App.PrefPath, true);
  }
  if (!App.DataPath.empty()) AddLog("DataPath = " + App.DataPath);
  AddLog("CurrentPath = " + platform::CurrentFolder());
}

std::string FolderNoticeText() {
  switch (g_folderNotice) {
    case FolderNotice::Elsewhere: return Lang("Msg\\Settings.Elsewhere", App.PrefPath);
    case FolderNotice::NotKept: return Lang("Msg\\Settings.NotKept");
    default: return {};
  }
}

void ValidateSettings() {
  using namespace setting;
  ClampSetting(OutputMaxVolume, 30, 100);
  ClampSetting(OutputMuteVolume, 30, 100);
  ClampSetting(OutputVolume, 0, 100);
  ClampSetting(OutputFadingTime, 1, 20);
  ClampSetting(OutputFadingDown, 0, GetMWNumber(OutputFadingTime));
  ClampSetting(OutputFadingUp, 0, GetMWNumber(OutputFadingTime));
  ClampSetting(MonitorVolume, 0, 100);
  ClampSetting(MonitorLowVolume, 0, 50);
  ClampSetting(MonitorHighVolume, 50, 100);
  std::string music = GetMWValue(MyMusicFolder);
  if (music.empty() || !fileutil::IsFolder(music))
    SetMWValue(MyMusicFolder, platform::SpecialFolder(platform::Folder::Music));
  DefaultIfBlank(FileAudio, kDefaultAudioExtensions);
  DefaultIfBlank(FileVideo, "WMV;");
  DefaultIfBlank(FilePlayList, kDefaultPlayListExtensions);
  // Stored by an earlier version as its default, not chosen: it gains ".M3U8".
  if (text::EqualsNoCase(text::Trim(GetMWValue(FilePlayList)), kFormerPlayListExtensions))
    SetMWValue(FilePlayList, kDefaultPlayListExtensions);
  DefaultIfBlank(OutputParamEQ, kDefaultParamEQ);
}

void StartUpLogic(const std::vector<std::string>& args, const std::string& programFile) {
  platform::InstallFaultHandler(ReportFault);
  ParseCommandLine(args, programFile);
  if (Hooks().singleInstance) Hooks().singleInstance();
  LogStartHeader(programFile);
  ResolveFolders(programFile);
  if (Hooks().prepareAudioState) Hooks().prepareAudioState();
  RegisterShortcutSettings();
  RegisterSettings();
  Pref_Load();
  ValidateSettings();
  LoadLanguage("");
  App.MainLang = LoadLanguage(App.MainLang);
  // Only one copy runs per settings folder: any of our temporary files left there is from a crash.
  if (!App.PrefPath.empty()) fileutil::RemoveStaleTempFiles(App.PrefPath);
  fileutil::RemoveStaleTempFiles(LanguageFolder());
  const std::string notice = FolderNoticeText();
  if (!notice.empty()) Speak(notice);
}

int ShutDown() {
  if (Hooks().profileExit) Hooks().profileExit();
  Pref_Save(false);
  WriteLog();
  ReleaseSingleInstance();
  return 0;
}

std::string FatalCreationErrorText(int code, const std::string& detail) {
  std::string t;
  switch (code) {
    case 1: t = "Can't create Main Window!"; break;
    case 3: t = "Can't create Menu "; break;
    case 5: t = "Can't create PopUp Menu "; break;
    case 6: t = "Can't create SysTray "; break;
    case 7: t = "Can't create Gadget "; break;
    case 9: t = "Can't create StatusBar "; break;
    default: t = "Can't create "; break;
  }
  return t + detail + "\r\nLe programme doit être arrêté ...";
}
