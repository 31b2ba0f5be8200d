#include "app/EventLog.h"

#include <mutex>

#include "app/AppState.h"
#include "platform/Files.h"

namespace {
struct EventLogState {
  std::recursive_mutex LogLock;
  std::string LogHeader;
  std::string LogBody;
  bool LogFileStarted = false;
  bool RefusalLogged = false;
};
EventLogState& Log() {
  static EventLogState s;
  return s;
}
}  // namespace

std::string LogFilePath() { return App.PrefPath + "Tondrial.Log"; }

void AddLog(const std::string& line, bool header) {
  bool flush = false;
  {
    std::lock_guard<std::recursive_mutex> g(Log().LogLock);
    if (header) {
      Log().LogHeader += line + "\r\n";
    } else {
      Log().LogBody += line + "\r\n";
      flush = Log().LogBody.size() > kLogBatchChars;
    }
  }
  if (flush) WriteLog();
}

int WriteLog() {
  auto& s = Log();
  std::lock_guard<std::recursive_mutex> g(s.LogLock);
  if (App.PrefPath.empty()) return 0;  // folders not known yet: keep the lines
  int handle;
  if (s.LogFileStarted) {
    handle = platform::AppendFile(LogFilePath(), s.LogBody);
  } else if (platform::IsReadOnlyFile(LogFilePath())) {
    // Written straight to the platform layer (the file utilities log through here); a file
    // the user may not write is left as it is, like every other settings file.
    if (!s.RefusalLogged) s.LogBody += "! Read-only file left unchanged : " + LogFilePath() + "\r\n";
    s.RefusalLogged = true;
    handle = 0;
  } else {
    handle = platform::ReplaceFile(LogFilePath(), s.LogHeader + s.LogBody);
    if (handle) s.LogFileStarted = true;
  }
  if (handle) s.LogBody.clear();
  return handle;
}

std::string LogText() {
  std::lock_guard<std::recursive_mutex> g(Log().LogLock);
  return Log().LogHeader + Log().LogBody;
}

void ResetLog() {
  std::lock_guard<std::recursive_mutex> g(Log().LogLock);
  Log().LogHeader.clear();
  Log().LogBody.clear();
  Log().LogFileStarted = false;
  Log().RefusalLogged = false;
}
