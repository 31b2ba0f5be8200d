#include "ui/Windows.h"

#include <map>
#include <utility>

#include "app/AppHooks.h"
#include "app/Commands.h"
#include "audio/OutputConfig.h"
#include "ui/ChildWindow.h"
#include "ui/MonitorConfigWindow.h"
#include "ui/OutputConfigWindow.h"

namespace {
std::map<int, std::function<void()>>& Table() {
  static std::map<int, std::function<void()>> t;
  return t;
}
}  // namespace

void RegisterWindowCommand(int command, std::function<void()> open) { Table()[command] = std::move(open); }

void InstallWindows() {
  // One line per window module, in menu order.
  RegisterWindowCommand(cmd::ParamEQ, [] { OpenOutputSettings(MainWindow(), kOutputPageEqualizer); });
  RegisterWindowCommand(cmd::ConfigOutput, [] { OpenOutputSettings(MainWindow(), kOutputPageGeneral); });
  RegisterWindowCommand(cmd::ConfigMonitor, [] { OpenMonitorSettings(MainWindow()); });

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
