#include "settings/Settings.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "app/AppState.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/IniFile.h"
#include "app/PathTools.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "settings/SettingIds.h"

namespace {

std::vector<Setting>& Registry() {
  static std::vector<Setting> r;
  return r;
}

std::vector<std::string>& Recent(RecentList l) {
  static std::vector<std::string> lists[2];
  return lists[static_cast<int>(l)];
}

bool Add(Setting s) {
  for (const auto& e : Registry())
    if (e.Id == s.Id || text::EqualsNoCase(e.Name, s.Name)) return false;
  s.Value = s.Default;
  Registry().push_back(std::move(s));
  return true;
}

// Reader of the settings file: keys ignoring letter case, the first occurrence wins; the
// file has no groups of its own, so a "[group]" line changes nothing.
class IniReader {
 public:
  bool Open(const std::string& path) { return file_.Open(path); }
  std::string Read(const std::string& key, const std::string& def) const {
    const std::string* v = file_.FindAnywhere(key);
    return v ? *v : def;
  }
  int32_t ReadNumber(const std::string& key, int32_t def) const {
    const std::string* v = file_.FindAnywhere(key);
    return v ? text::ParseInt(*v) : def;
  }

 private:
  IniFile file_;
};

}  // namespace

void AddMW_Flag(const std::string& name, int32_t id, int32_t window, bool def) {
  Add({id, name, {}, def ? "On" : "", kSettingFlag, window, -1});
}

void AddMW_Lont(const std::string& name, int32_t id, int32_t window, int32_t def) {
  Add({id, name, {}, std::to_string(def), kSettingNumber, window, -1});
}

void AddMW_String(const std::string& name, int32_t id, int32_t window, const std::string& def) {
  Add({id, name, {}, def, kSettingText, window, -1});
}

void AddMW_KeyboardShortcut(const std::string& name, int32_t id, int32_t window, int32_t code, int32_t menu) {
  int32_t type = text::StartsWithNoCase(name, "Global\\") ? kSettingHotkey : kSettingShortcut;
  if (!Add({id, name, {}, std::to_string(code), type, window, menu}))
    AddLog("! AddMW_KeyboardShortcut() already registered: " + name + " (" + std::to_string(id) + ")");
}

Setting* FindSetting(int32_t id, const std::string& name) {
  for (auto& s : Registry())
    if (s.Id == id || (!name.empty() && text::EqualsNoCase(s.Name, name))) return &s;
  return nullptr;
}

const std::vector<Setting>& SettingsList() { return Registry(); }

bool NameHasPrefix(const std::string& name, const std::string& prefix) {
  if (name.empty()) return false;
  if (prefix.empty()) return true;
  return text::StartsWithNoCase(name, prefix);
}

std::string GetMWValue(int32_t id) {
  for (const auto& s : Registry())
    if (s.Id == id) return s.Value;
  return {};
}

bool ReadFlag(const std::string& value) {
  std::string v = text::Lower(text::Trim(value));
  return v == "on" || v == "1";
}

bool GetMWFlag(int32_t id) { return ReadFlag(GetMWValue(id)); }
int32_t GetMWNumber(int32_t id) { return text::ParseInt(GetMWValue(id)); }

void SetMWValue(int32_t id, const std::string& value) {
  for (auto& s : Registry())
    if (s.Id == id) {
      s.Value = value;
      return;
    }
}

void SetMWFlag(int32_t id, bool on) { SetMWValue(id, on ? "On" : "Off"); }
void SetMWNumber(int32_t id, int32_t value) { SetMWValue(id, std::to_string(value)); }

void RegisterSettings() {
  using namespace setting;
  AddMW_String("Output.Name", OutputName, 0, "");
  AddMW_Flag("Output.UseDefault", OutputUseDefault, 0, true);
  AddMW_Lont("Output.Volume", OutputVolume, 0, 80);
  AddMW_Lont("Output.MuteVolume", OutputMuteVolume, 0, 30);
  AddMW_Lont("Output.MaxVolume", OutputMaxVolume, 0, 100);
  AddMW_Lont("Output.FadingTime", OutputFadingTime, 0, 5);
  AddMW_Lont("Output.FadingDown", OutputFadingDown, 0, 5);
  AddMW_Lont("Output.FadingUp", OutputFadingUp, 0, 4);
  AddMW_Flag("Output.LowVolumeInChildWindow", OutputLowVolumeInChildWindow, 0, false);
  AddMW_Flag("Output.FadingEnable", OutputFadingEnable, 0, true);
  AddMW_Flag("Output.Random", OutputRandom, 0, false);
  AddMW_Flag("Output.NoKeepEffect", OutputNoKeepEffect, 0, false);
  AddMW_Flag("Output.NoKeepTempoPitch", OutputNoKeepTempoPitch, 0, false);
  AddMW_Flag("Output.EnableTempoPitch", OutputEnableTempoPitch, 0, true);
  AddMW_String("Output.ParamEQ", OutputParamEQ, 0, "");
  AddMW_String("Output.Compressor", OutputCompressor, 0, "");
  AddMW_String("MonitorDevice.Name", MonitorDeviceName, 0, "");
  AddMW_Flag("MonitorDevice.UseDefault", MonitorDeviceUseDefault, 0, true);
  AddMW_Flag("MonitorConf.LowVolumeInChildWindow", MonitorLowVolumeInChildWindow, 0, true);
  AddMW_Lont("MonitorConf.Volume", MonitorVolume, 0, 80);
  AddMW_Lont("MonitorConf.LowVolume", MonitorLowVolume, 0, 30);
  AddMW_Lont("MonitorConf.HighVolume", MonitorHighVolume, 0, 90);
  AddMW_String("Display.PlayingStatus", PlayingStatus, 24, "[%hh heures ][%iiminutes ]%ss secondes,%PC% , %ST, %OE");
  AddMW_String("Display.NormalStatus", NormalStatus, 24, "%PT sur %CT, %PN");
  AddMW_String("Display.Infos", DisplayInfos, 24, "[%hh heures ][%ii minutes ][%ss secondes], %NM, %OE, Volume %VL%");
  AddMW_String("Display.Time", DisplayTime, 24, "[%hhh][%iim]%sss");
  AddMW_String("Display.SayTime", SayTime, 24, "[%hh heures ][%iiminutes ]%ss secondes");
  AddMW_Flag("Display.TitleNameInFirst", TitleNameInFirst, 24, false);
  AddMW_Flag("Display.ToogleShortcutSystrayOut", ToogleShortcutSystrayOut, 24, false);
  AddMW_Flag("PlayList.RemovePlayed", RemovePlayed, 24, false);
  AddMW_Flag("PlayList.AutoNextPlay", AutoNextPlay, 24, true);
  AddMW_Flag("PlayList.ExamineBeforeAdd", ExamineBeforeAdd, 24, true);
  AddMW_Flag("PlayList.OnlyGoodExtension", OnlyGoodExtension, 24, true);
  AddMW_Flag("PlayList.StartWithOldTracks", StartWithOldTracks, 24, true);
  AddMW_String("Main\\Path.MyMusicFolder", MyMusicFolder, 24, "");
  AddMW_String("Main\\File.Audio", FileAudio, 24, kDefaultAudioExtensions);
  AddMW_String("Main\\File.Video", FileVideo, 24, "WMV;");
  AddMW_String("Main\\File.PlayList", FilePlayList, 24, kDefaultPlayListExtensions);
  AddMW_String("Main\\Font.Edit", FontEdit, 24, "Arial;10");
}

std::string SettingsFilePath() { return App.PrefPath + "Tondrial.ini"; }

void Pref_Load() {
  IniReader ini;
  bool opened = ini.Open(SettingsFilePath());
  App.MainWindowX = ini.ReadNumber("MainWindowX", 0);
  App.MainWindowY = ini.ReadNumber("MainWindowY", 100);
  App.MainWindowW = ini.ReadNumber("MainWindowW", 600);
  App.MainWindowH = ini.ReadNumber("MainWindowH", 400);
  App.MainWindowZ = ini.ReadNumber("MainWindowZ", kWindowMaximized);
  App.MainLang = ini.Read("MainLang", "");
  for (auto& s : Registry()) s.Value = ini.Read(s.Name, s.Default);
  for (int n = 0; n < kRecentMax; ++n) {
    AddRecent(RecentList::Files, ExpandPathMacros(ini.Read("RecentFile" + std::to_string(n), "")), true, true);
    AddRecent(RecentList::PlayFiles, ExpandPathMacros(ini.Read("RecentPlayFile" + std::to_string(n), "")), true, true);
  }
  if (!opened) App.SettingsChanged = true;
  // Linux has no file handle to report; 1 stands for an open file, 0 for none.
  AddLog("* Pref_Load() IDP=" + std::to_string(opened ? 1 : 0));
}

std::string SettingsFileText() {
  std::string out = "\xEF\xBB\xBF";
  auto comment = [&](const std::string& t) { out += "; " + t + "\r\n"; };
  auto value = [&](const std::string& k, const std::string& v) { out += k + " = " + v + "\r\n"; };
  comment("Nom : Tondrial");
  comment(std::string("Version : ") + kVersion);
  value("MainWindowX", std::to_string(App.MainWindowX));
  value("MainWindowY", std::to_string(App.MainWindowY));
  value("MainWindowW", std::to_string(App.MainWindowW));
  value("MainWindowH", std::to_string(App.MainWindowH));
  value("MainWindowZ", std::to_string(App.MainWindowZ));
  value("MainLang", App.MainLang);
  for (const auto& s : Registry()) value(s.Name, s.Value);
  comment("Recent Files");
  for (size_t n = 0; n < Recent(RecentList::Files).size(); ++n)
    value("RecentFile" + std::to_string(n), ContractPathMacros(Recent(RecentList::Files)[n]));
  comment("Recent Play Files");
  for (size_t n = 0; n < Recent(RecentList::PlayFiles).size(); ++n)
    value("RecentPlayFile" + std::to_string(n), ContractPathMacros(Recent(RecentList::PlayFiles)[n]));
  return out;
}

namespace {

// Writes the settings file handed over by the GUI thread where a key must not wait for the disk
// (a recent file added as a track starts). Only one write runs at a time: Pref_Save waits for a
// write handed over before it writes itself, so the newest text is the one left in the file.
class SettingsWriter {
 public:
  ~SettingsWriter() {
    {
      std::lock_guard<std::mutex> lk(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();  // a text still waiting is written first
  }

  // A text newer than one still waiting replaces it.
  void Post(std::string path, std::string text) {
    {
      std::lock_guard<std::mutex> lk(mutex_);
      path_ = std::move(path);
      text_ = std::move(text);
      waiting_ = true;
      if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    cv_.notify_all();
  }

  // Waits until nothing is waiting or being written; true when a write handed over failed since
  // the last call.
  bool Flush() {
    std::unique_lock<std::mutex> lk(mutex_);
    cv_.wait(lk, [&] { return !waiting_ && !writing_; });
    const bool failed = failed_;
    failed_ = false;
    return failed;
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lk(mutex_);
    for (;;) {
      cv_.wait(lk, [&] { return waiting_ || stop_; });
      if (!waiting_) return;
      const std::string path = std::move(path_), text = std::move(text_);
      waiting_ = false;
      writing_ = true;
      lk.unlock();
      const int handle = fileutil::WriteFileAtomic(path, text);
      AddLog("* Pref_Save() IDP=" + std::to_string(handle));
      lk.lock();
      writing_ = false;
      if (!handle) failed_ = true;
      cv_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::string path_, text_;
  bool waiting_ = false, writing_ = false, failed_ = false, stop_ = false;
  std::thread thread_;
};

SettingsWriter& Writer() {
  // The event log is made first so that it outlives the writer, which logs until it is joined.
  static const bool logFirst = (LogText(), true);
  (void)logFirst;
  static SettingsWriter w;
  return w;
}

}  // namespace

bool Pref_Save(bool force) {
  // One writer at a time; a write handed over that failed leaves the settings changed.
  if (Writer().Flush()) App.SettingsChanged = true;
  if (!App.SettingsChanged && !force) return false;
  // Written beside the old file and renamed over it: a failure keeps the old settings.
  int handle = fileutil::WriteFileAtomic(SettingsFilePath(), SettingsFileText());
  if (handle) App.SettingsChanged = false;
  AddLog("* Pref_Save() IDP=" + std::to_string(handle));
  return handle != 0;
}

void Pref_SaveSoon() {
  App.SettingsChanged = false;
  Writer().Post(SettingsFilePath(), SettingsFileText());
}

int AddRecent(RecentList list, const std::string& rawPath, bool ignoreCase, bool loading) {
  std::string path = text::Trim(rawPath);
  if (path.empty()) return 0;
  auto& l = Recent(list);
  int result;
  auto it = std::find_if(l.begin(), l.end(), [&](const std::string& e) {
    return ignoreCase ? text::EqualsNoCase(e, path) : e == path;
  });
  if (it != l.end()) {
    result = 2;
    if (it != l.begin()) std::iter_swap(it, l.begin());
  } else {
    result = 1;
    if (loading) l.push_back(path);
    else l.insert(l.begin(), path);
  }
  while (static_cast<int>(l.size()) > kRecentMax) l.pop_back();
  if (!loading) {
    // Written off this thread: it runs as a track starts, between the key and its announcement.
    Pref_SaveSoon();
    UpdateRecentMenu(RecentList::Files, kRecentFilesFirstId);
    UpdateRecentMenu(RecentList::PlayFiles, kRecentPlayFilesFirstId);
  }
  return result;
}

std::string RecentEntry(RecentList list, int index) {
  const auto& l = Recent(list);
  return index >= 0 && index < static_cast<int>(l.size()) ? l[index] : std::string();
}

int RecentCount(RecentList list) { return static_cast<int>(Recent(list).size()); }

std::string RecentMenuText(int index, const std::string& path) {
  std::string label = "...";
  if (!path.empty()) {
    std::string folder = fileutil::FolderPart(path);
    label = folder.empty() ? path : fileutil::FilePart(path) + "," + folder;
  }
  return std::to_string(index + 1) + ") " + label;
}

void UpdateRecentMenu(RecentList list, int firstId) {
  for (int i = 0; i < kRecentMax; ++i) {
    std::string entry = RecentEntry(list, i);
    TheShell().SetMenuItemText(firstId + i, RecentMenuText(i, entry));
    TheShell().SetMenuItemEnabled(firstId + i, !entry.empty());
  }
}

void ResetSettings() {
  Writer().Flush();  // a write handed over lands in the folder it was meant for
  Registry().clear();
  Recent(RecentList::Files).clear();
  Recent(RecentList::PlayFiles).clear();
}
