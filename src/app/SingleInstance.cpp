#include "app/SingleInstance.h"

#include <cstdlib>

#include "app/AppState.h"
#include "app/Dispatch.h"
#include "app/EventLog.h"
#include "app/TextUtil.h"
#include "platform/Instance.h"

namespace {
void (*g_exit)(int) = std::exit;
int g_channel = -1;
}  // namespace

void SetInstanceExit(void (*end)(int)) { g_exit = end ? end : std::exit; }

bool TitleMatches(const std::string& rawPattern, const std::string& rawTitle) {
  std::string pattern = text::Lower(text::Trim(rawPattern));
  std::string title = text::Lower(text::Trim(rawTitle));
  bool lead = !pattern.empty() && pattern.front() == '*';
  bool trail = pattern.size() > (lead ? 1u : 0u) && pattern.back() == '*';
  if (!lead && !trail) return title == pattern;
  std::string middle = pattern.substr(lead ? 1 : 0);
  if (trail) middle.pop_back();
  return title.find(middle) != std::string::npos;
}

std::string FindWindowByTitle(const std::string& pattern, const std::string& className) {
  std::string cls = text::Lower(text::Trim(className));
  for (const auto& w : platform::InstanceWindows()) {
    if (!cls.empty() && text::Lower(text::Trim(w.className)) != cls) continue;
    if (TitleMatches(pattern, w.title)) return w.address;
  }
  return {};
}

void CheckSingleInstance() {
  switch (platform::OpenInstanceLock(kInstanceName, App.InstanceMutex)) {
    // Without a place for the lock (no usable runtime folder) copies cannot meet; ending here
    // would leave the user with a program that silently never starts.
    case platform::InstanceLockState::Failed:
    case platform::InstanceLockState::Created: return;
    case platform::InstanceLockState::Exists: break;
  }
  std::string window = FindWindowByTitle(App.AppName + "*", kMainWindowClass);
  // Not found (the other copy may still be starting): this copy runs beside it.
  if (window.empty()) return;
  int32_t answer = 0;
  platform::SendHandOver(window, {kHandOverShow, ""}, kHandOverWaitMs, answer);
  g_exit(0);
}

int32_t MainWindowHook(uint32_t code, const std::string&) {
  AddLog("* WM_CopyData = " + std::to_string(code));
  if (code == kHandOverShow) RestoreFromSystray();
  return 0;
}

bool InstallMainWindowHook() {
  if (g_channel >= 0) return true;
  g_channel = platform::OpenHandOverChannel(App.AppName, kMainWindowClass);
  return g_channel >= 0;
}

void PollMainWindowHook() {
  platform::ServeHandOverChannel(g_channel, [](const platform::HandOverMessage& m) { return MainWindowHook(m.code, m.text); });
}

int MainWindowHookHandle() { return g_channel; }

void ReleaseSingleInstance() {
  platform::CloseHandOverChannel(g_channel);
  platform::CloseInstanceLock(App.InstanceMutex);
}
