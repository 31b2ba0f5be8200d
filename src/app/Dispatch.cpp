#include "app/Dispatch.h"

#include <memory>
#include <utility>

#include "app/AppHooks.h"
#include "app/AppState.h"
#include "app/Commands.h"
#include "app/EventLog.h"
#include "app/FileUtil.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "app/UpdateCheck.h"
#include "lang/Lang.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

AppHooks& Hooks() {
  static AppHooks h;
  return h;
}

void InstallFeatures(std::vector<Feature> features) {
  auto all = std::make_shared<const std::vector<Feature>>(std::move(features));
  AppHooks& h = Hooks();
  h = AppHooks{};
  auto each = [all](std::function<void()> Feature::*step) {
    return [all, step] {
      for (const Feature& f : *all)
        if (f.*step) (f.*step)();
    };
  };
  h.prepareAudioState = each(&Feature::prepare);
  h.startAudio = each(&Feature::start);
  h.refreshDisplay = each(&Feature::refreshDisplay);
  h.profileExit = each(&Feature::exit);
  h.commonEvent = [all](int id, bool fromMainWindow) {
    for (const Feature& f : *all)
      if (f.commonEvent && f.commonEvent(id, fromMainWindow)) return true;
    return false;
  };
  h.menuCommand = [all](int id) {
    for (const Feature& f : *all)
      if (f.menuCommand && f.menuCommand(id)) return true;
    return false;
  };
}

namespace {

bool NonEmptyFile(const std::string& path) {
  std::string bytes;
  return fileutil::ReadFile(path, bytes) && !bytes.empty();
}

}  // namespace

// Text files shipped beside the program are UTF-16 LE; a leading mark is dropped for display.
std::string ReadTextFile(const std::string& path, bool& ok) {
  std::string bytes;
  ok = fileutil::ReadFile(path, bytes);
  if (!ok) return {};
  if (bytes.rfind("\xFF\xFE", 0) == 0) bytes.erase(0, 2);
  return text::FromUtf16LE(bytes);
}

void ShowLog() { TheShell().ShowTextWindow("Log - " + App.AppName, LogText()); }

namespace {
// A file of the current language's (its language file names it) when it is there, else the
// base language's: a language without its own help or history still gets the French one.
std::string LocalFile(const std::string& key, const char* base) {
  std::string own = Lang(key);
  if (own != key && !own.empty() && own.find('/') == std::string::npos && NonEmptyFile(DataFolder() + own))
    return DataFolder() + own;
  return DataFolder() + base;
}
}  // namespace

void ShowHelp() {
  for (auto [key, base] : {std::pair{"Help.FileChm", "Tondrial.Chm"}, std::pair{"Help.FileHtml", "Tondrial.Html"}}) {
    std::string file = LocalFile(key, base);
    if (NonEmptyFile(file)) {
      platform::OpenDocument(file);
      return;
    }
  }
  std::string text = LocalFile("Help.FileText", "Tondrial-Help.Txt");
  if (NonEmptyFile(text)) {
    bool ok = false;
    TheShell().ShowTextWindow(Lang("Help.Title"), ReadTextFile(text, ok));
    return;
  }
  TheShell().MessageRequester(Lang("Help.Title"), Lang("Help.NoHelp"), kRequesterInfo);
}

void ShowWhatsNew() {
  bool ok = false;
  TheShell().ShowTextWindow(Lang("WhatNews.Title"), ReadTextFile(LocalFile("WhatNews.File", "Historique.txt"), ok));
}

void HideToSystray() {
  TheShell().HideMainWindow();
  App.HiddenInSystray = true;
}

void RestoreFromSystray() {
  App.HiddenInSystray = false;
  TheShell().RestoreMainWindow();
}

bool DispatchMenuCommand(int id) {
  // The features of stage b (files, profiles, play list, effects…) answer through their hook.
  if (Hooks().menuCommand && Hooks().menuCommand(id)) return true;
  if (id < cmd::OnTopOrSystrayOut || id > cmd::HotkeyInfo) return false;
  if (Hooks().globalHotkey) Hooks().globalHotkey(id);
  return true;
}

void AppCommand(int id) {
  switch (id) {
    case cmd::Quit:
    case cmd::SystrayQuit: App.QuitRequested = true; break;
    case cmd::ShowLog: ShowLog(); break;
    case cmd::Help: ShowHelp(); break;
    case cmd::WhatNews: ShowWhatsNew(); break;
    case cmd::SystrayIn: HideToSystray(); break;
    case cmd::CheckNewVersion: CheckNewVersion(); break;
    default: break;  // 177, 216, 221, 229: their windows come with their features
  }
}

void MainWindowCommand(int id) {
  App.LastMenuCommand = id;
  // The first stage that knows the command carries it out; the later ones never see it.
  if (Hooks().commonEvent && Hooks().commonEvent(id, true)) return;
  if (DispatchMenuCommand(id)) return;
  AppCommand(id);
}

void MainWindowTimer(int timerId) {
  switch (timerId) {
    case timer::SaveSettings: Pref_Save(false); break;
    case timer::SyncEvents:
    case timer::MonitorCounter:
      if (Hooks().commonEvent) Hooks().commonEvent(-timerId, true);
      break;
    case timer::Display:
      if (Hooks().refreshDisplay) Hooks().refreshDisplay();
      break;
    default: break;
  }
}
