// The settings file: read, written back, read again to the same values.
#include <cstdlib>

#include "FuzzSupport.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetAppState();
  ResetSettings();
  ResetLog();
  App.PrefPath = fuzz::Scratch();
  RegisterSettings();
  fuzz::WriteInput("Tondrial.ini", data, size);
  Pref_Load();
  const std::string first = SettingsFileText();
  fuzz::WriteInput("Tondrial.ini", reinterpret_cast<const uint8_t*>(first.data()), first.size());
  ResetSettings();
  RegisterSettings();
  Pref_Load();
  // What the program writes, it reads back unchanged.
  if (SettingsFileText() != first) std::abort();
  return 0;
}
