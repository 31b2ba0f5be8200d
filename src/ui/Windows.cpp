#include "ui/Windows.h"

#include <map>
#include <utility>

#include "app/AppState.h"
#include "app/Commands.h"
#include "audio/OutputConfig.h"
#include "effects/EffectHooks.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedWindow.h"
#include "ui/AboutWindow.h"
#include "ui/ChildWindow.h"
#include "ui/EffectsWindow.h"
#include "ui/ExploreWindow.h"
#include "ui/LangEditWindow.h"
#include "ui/MonitorConfigWindow.h"
#include "ui/OutputBoardWindow.h"
#include "ui/OutputConfigWindow.h"
#include "ui/PlayedListWindow.h"
#include "ui/PreferencesWindow.h"
#include "ui/TrackPropertiesWindow.h"

namespace {
std::map<int, std::function<void()>>& Table() {
  static std::map<int, std::function<void()>> t;
  return t;
}
}  // namespace

void RegisterWindowCommand(int command, std::function<void()> open) { Table()[command] = std::move(open); }

void InstallWindows() {
  // One line per window module, in menu order.
  SetEffectsWindowOpener([](int set) { EditEffectSet(set, MainWindow()); });
  for (int command : {int(cmd::Explore), int(cmd::ExploreMyMusic)})
    RegisterWindowCommand(command, [command] { OpenExplorerFor(command); });
  for (int command = cmd::RecentPlayFileFirst; command <= cmd::RecentPlayFileLast; ++command)
    RegisterWindowCommand(command, [command] { OpenExplorerFor(command); });
  RegisterWindowCommand(cmd::Board, [] { OpenOutputBoard(MainWindow()); });
  RegisterWindowCommand(cmd::About, [] { ShowAbout(MainWindow()); });
  RegisterWindowCommand(cmd::EditLang, [] { EditLanguage(App.MainLang, MainWindow()); });
  SetPlayedListWindow(OpenPlayedListWindow);
  SetTrackPropertiesWindow(OpenTrackPropertiesWindow);
  RegisterWindowCommand(cmd::EditPref, [] { OpenPreferences(MainWindow()); });
  RegisterWindowCommand(cmd::ParamEQ, [] { OpenOutputSettings(MainWindow(), kOutputPageEqualizer); });
  RegisterWindowCommand(cmd::ConfigOutput, [] { OpenOutputSettings(MainWindow(), kOutputPageGeneral); });
  RegisterWindowCommand(cmd::ConfigMonitor, [] { OpenMonitorSettings(MainWindow()); });

}

bool OpenWindowCommand(int id) {
  auto it = Table().find(id);
  if (it == Table().end()) return false;
  it->second();
  return true;
}
