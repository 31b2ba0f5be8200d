#include "audio/MonitorConfig.h"

#include <algorithm>

#include "audio/Device.h"
#include "audio/Monitor.h"
#include "settings/Settings.h"

namespace {
void SetValue(SliderControl& c, int v) { c.value = std::clamp(v, c.minimum, c.maximum); }
}  // namespace

void OpenMonitorConfig(MonitorConfigState& s) {
  s.page = kMonitorPageGeneral;
  SetValue(s.lowVolume, GetMWNumber(setting::MonitorLowVolume));
  SetValue(s.highVolume, GetMWNumber(setting::MonitorHighVolume));
  s.lowVolumeInChildWindow = s.lowVolumeAtOpening = GetMWFlag(setting::MonitorLowVolumeInChildWindow);
  s.devices.Clear();
  FillDeviceList(&s.devices);
  SelectDeviceInList(&s.devices, GetMWValue(setting::MonitorDeviceName));
  s.useDefault = GetMWFlag(setting::MonitorDeviceUseDefault);
  SliderRemember(s.lowVolume);
  SliderRemember(s.highVolume);
}

SliderControl* MonitorConfigSlider(MonitorConfigState& s, int control) {
  if (control == moncfg::LowVolume) return &s.lowVolume;
  if (control == moncfg::HighVolume) return &s.highVolume;
  return nullptr;
}

std::string MonitorConfigValueText(const MonitorConfigState& s, int control) {
  if (control == moncfg::LowVolume) return std::to_string(s.lowVolume.value) + " %";
  if (control == moncfg::HighVolume) return std::to_string(s.highVolume.value) + " %";
  return {};
}

bool MonitorConfigKey(MonitorConfigState& s, int control, SliderKey key) {
  SliderControl* c = MonitorConfigSlider(s, control);
  if (!c) return false;
  MoveSlider(*c, key);
  return true;
}

void StoreMonitorConfig(const MonitorConfigState& s) {
  SetMWNumber(setting::MonitorLowVolume, std::clamp(s.lowVolume.value, 0, 50));
  SetMWNumber(setting::MonitorHighVolume, std::clamp(s.highVolume.value, 50, 100));
  SetMWFlag(setting::MonitorLowVolumeInChildWindow, s.lowVolumeInChildWindow);
  SetMWValue(setting::MonitorDeviceName, DeviceNameFromList(&s.devices));
  SetMWFlag(setting::MonitorDeviceUseDefault, s.useDefault);
  // The window lowered the Monitor when it opened; with the lowering now switched off, closing
  // it would not give the volume back.
  if (s.lowVolumeAtOpening && !s.lowVolumeInChildWindow) SetMonitorVolume(MonitorState().SavedVolume);
  // The preset items are checked by comparing with the presets.
  RefreshMonitorMenu();
  Pref_Save(true);
}
