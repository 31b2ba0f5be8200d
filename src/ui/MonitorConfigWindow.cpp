#include "ui/MonitorConfigWindow.h"

#include <wx/panel.h>

#include "audio/Monitor.h"
#include "audio/MonitorConfig.h"
#include "lang/Lang.h"
#include "ui/SettingsPages.h"

namespace {

constexpr int kMonitorSettingsWindow = 4200;
constexpr int kAreaWidth = 400;

class MonitorConfigWindow : public SettingsPagesWindow {
 public:
  explicit MonitorConfigWindow(wxWindow* parent)
      : SettingsPagesWindow(parent, kMonitorSettingsWindow, Lang("MonitorConfig\\Title.Edit"), kAreaWidth, true) {
    OpenMonitorConfig(s_);
    wxPanel* p = NewPage("MonitorConfig\\Panel.General");
    AddNumber(p, moncfg::LowVolume, "MonitorConfig\\Volume.Low", false);
    AddNumber(p, moncfg::HighVolume, "MonitorConfig\\Volume.High", false);
    AddCheck(p, moncfg::LowVolumeInChildWindow, "Config\\Monitor.LowVolumeInChildWindow", s_.lowVolumeInChildWindow);
    EndPage();
    p = NewPage("MonitorConfig\\Panel.Device");
    AddChoice(p, moncfg::DeviceName, "MonitorConfig\\Monitor.Name", RowTexts(s_.devices), s_.devices.FirstSelected());
    AddCheck(p, moncfg::UseDefault, "Config\\Monitor.UseDefaultDevice", s_.useDefault);
    EndPage();
    FinishPages(s_.page);
  }

 private:
  SliderControl* Slider(int control) override { return MonitorConfigSlider(s_, control); }
  std::string ValueText(int control) override { return MonitorConfigValueText(s_, control); }
  bool SliderKeyPressed(int control, SliderKey key) override { return MonitorConfigKey(s_, control, key); }
  void CheckChanged(int control, bool on) override {
    if (control == moncfg::LowVolumeInChildWindow) s_.lowVolumeInChildWindow = on;
    else if (control == moncfg::UseDefault) s_.useDefault = on;
  }
  void ChoiceChanged(int control, int item) override {
    if (control == moncfg::DeviceName && item >= 0) s_.devices.SelectOnly(item);
  }
  void Confirm() override { StoreMonitorConfig(s_); }

  MonitorConfigState s_;
  // The Monitor play key pre-listens the play list's selection while this window is open.
  PlayListMonitorSource source_;
};

}  // namespace

void OpenMonitorSettings(wxWindow* parent) {
  MonitorConfigWindow window(parent);
  window.Open();
}
