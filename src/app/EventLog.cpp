#include "app/EventLog.h"

#include <mutex>

#include "app/AppState.h"
#include "app/FileUtil.h"

namespace {
struct EventLogState {
  std::recursive_mutex LogLock;
  std::string LogHeader;
  std::string LogBody;
  bool LogFileStarted = false;
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
    handle = fileutil::AppendFile(LogFilePath(), s.LogBody);
  } else {
    handle = fileutil::WriteFileAtomic(LogFilePath(), s.LogHeader + s.LogBody);
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
}
