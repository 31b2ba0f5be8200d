// The process-wide application record, filled in start-up order.
#pragma once
#include <cstdint>
#include <string>

inline constexpr const char* kVersion = "0,4,1210,2500";
inline constexpr const char* kProductLine = "Tondrial 0,4,1210,2500";
inline constexpr int32_t kWindowMaximized = 16777216;

struct AppState {
  int32_t MainWindowX = 0;
  int32_t MainWindowY = 100;
  int32_t MainWindowW = 600;
  int32_t MainWindowH = 400;
  int32_t MainWindowZ = kWindowMaximized;
  bool HiddenInSystray = false;
  bool Portable = false;
  std::string MainPath;  // always ends in "/"
  std::string PrefPath;  // always ends in "/"
  // The installed data folder when the program runs from a system-wide installation, else ""
  // (the data is beside the program). Read through DataFolder().
  std::string DataPath;
  std::string AppName = "Tondrial";
  std::string MainLang;
  bool SettingsChanged = false;
  bool QuitRequested = false;
  int32_t FocusBeforeChild = -1;
  bool NetworkReady = false;
  int32_t LastEvent = 0;
  int32_t LastEventWindow = 0;
  int32_t LastMenuCommand = 0;
  int InstanceMutex = -1;  // the single-instance lock, held until the end
};

extern AppState App;

// Folder of the files shipped with the program (languages, help, licence, history, picture),
// ending in "/".
inline const std::string& DataFolder() { return App.DataPath.empty() ? App.MainPath : App.DataPath; }

// Back to the zeroed start state (tests).
void ResetAppState();
