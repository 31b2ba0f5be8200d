#include "ui/Windows.h"

#include <map>
#include <utility>

#include "app/AppHooks.h"
#include "ui/ExploreWindow.h"
#include "app/Commands.h"
#include "ui/AboutWindow.h"
#include "ui/ChildWindow.h"
#include "ui/OutputBoardWindow.h"
#include "playlist/PlayListView.h"
#include "playlist/PlayedWindow.h"
#include "ui/PlayedListWindow.h"
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
  InstallExploreWindow();
  RegisterWindowCommand(cmd::Board, [] { OpenOutputBoard(MainWindow()); });
  RegisterWindowCommand(cmd::About, [] { ShowAbout(MainWindow()); });
  SetPlayedListWindow(OpenPlayedListWindow);
  SetTrackPropertiesWindow(OpenTrackPropertiesWindow);

  auto previous = Hooks().menuCommand;
  Hooks().menuCommand = [previous](int id) {
    auto it = Table().find(id);
    if (it != Table().end()) {
      it->second();
      return true;
    }
    return previous ? previous(id) : false;
  };
}
