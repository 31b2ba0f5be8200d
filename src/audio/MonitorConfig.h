// The Monitor settings window without a screen: the two volume presets, the lowering while a
// window is open, and the device; confirming stores them, the next Monitor play uses them.
#pragma once

#include "access/Sliders.h"
#include "app/ListModel.h"
#include "audio/OutputConfig.h"
#include "settings/SettingIds.h"

enum MonitorConfigPage : int { kMonitorPageGeneral = 0, kMonitorPageDevice = 1 };
inline constexpr int kMonitorConfigPages = 2;

// Control numbers: the ids of the settings they edit.
namespace moncfg {
enum Control : int {
  LowVolume = setting::MonitorLowVolume,
  HighVolume = setting::MonitorHighVolume,
  LowVolumeInChildWindow = setting::MonitorLowVolumeInChildWindow,
  DeviceName = setting::MonitorDeviceName,
  UseDefault = setting::MonitorDeviceUseDefault,
};
}  // namespace moncfg

struct MonitorConfigState {
  SliderControl lowVolume{SliderControl::Spin, 0, 50, 30, 0};
  SliderControl highVolume{SliderControl::Spin, 50, 100, 90, 0};
  bool lowVolumeInChildWindow = true;
  ListModel devices;
  bool useDefault = true;
  int page = kMonitorPageGeneral;
  bool lowVolumeAtOpening = true;  // see OutputConfigState
};

void OpenMonitorConfig(MonitorConfigState& s);
SliderControl* MonitorConfigSlider(MonitorConfigState& s, int control);
// "30 %" for the presets, "" for other controls.
std::string MonitorConfigValueText(const MonitorConfigState& s, int control);
// Page Up, Page Down, F1; false when the control is not a spinner.
bool MonitorConfigKey(MonitorConfigState& s, int control, SliderKey key);
// Confirmation: the five settings, the Monitor menu's preset checks, the settings file.
void StoreMonitorConfig(const MonitorConfigState& s);

