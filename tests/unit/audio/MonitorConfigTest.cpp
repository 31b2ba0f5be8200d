// The Monitor settings window's state: presets and their keys, what confirming stores and
// what the next Monitor play uses, and the play key while the window is open.
#include "access/CommonEvents.h"
#include "app/FileUtil.h"
#include "audio/Monitor.h"
#include "audio/MonitorConfig.h"
#include "unit/audio/AudioFixture.h"

namespace {

std::string FileText(const std::string& path) {
  std::string t;
  fileutil::ReadFile(path, t);
  return t;
}

using MonitorConfig = AudioTest;

void Command(int id) { HandleCommonEvent({CommonEvent::Menu, id}, true); }

TEST_F(MonitorConfig, PresetsStepRestoreAndAreStoredWithTheDevice) {
  SetMWNumber(setting::MonitorLowVolume, 20);
  SetMWNumber(setting::MonitorHighVolume, 95);
  SetMWNumber(setting::MonitorVolume, 95);
  MonitorConfigState s;
  OpenMonitorConfig(s);
  EXPECT_EQ(MonitorConfigValueText(s, moncfg::LowVolume), "20 %");
  EXPECT_EQ(MonitorConfigValueText(s, moncfg::HighVolume), "95 %");
  EXPECT_EQ(DeviceNameFromList(&s.devices), "Test Monitor");
  EXPECT_TRUE(s.useDefault);

  // A tenth of 0..50 and of 50..100; the ranges hold; F1 brings back the opening value.
  EXPECT_TRUE(MonitorConfigKey(s, moncfg::LowVolume, SliderKey::StepUp));
  EXPECT_EQ(s.lowVolume.value, 25);
  EXPECT_TRUE(MonitorConfigKey(s, moncfg::HighVolume, SliderKey::StepUp));
  EXPECT_EQ(s.highVolume.value, 100);
  EXPECT_TRUE(MonitorConfigKey(s, moncfg::HighVolume, SliderKey::Reset));
  EXPECT_EQ(s.highVolume.value, 95);
  EXPECT_FALSE(MonitorConfigKey(s, moncfg::UseDefault, SliderKey::StepUp));

  s.highVolume.value = 80;
  s.lowVolumeInChildWindow = false;
  s.devices.SelectOnly(s.devices.FindData(1));  // Test Output
  s.useDefault = false;
  App.SettingsChanged = true;
  StoreMonitorConfig(s);
  EXPECT_EQ(GetMWNumber(setting::MonitorLowVolume), 25);
  EXPECT_EQ(GetMWNumber(setting::MonitorHighVolume), 80);
  EXPECT_FALSE(GetMWFlag(setting::MonitorLowVolumeInChildWindow));
  EXPECT_EQ(GetMWValue(setting::MonitorDeviceName), "Test Output");
  EXPECT_FALSE(GetMWFlag(setting::MonitorDeviceUseDefault));
  EXPECT_FALSE(App.SettingsChanged);
  EXPECT_NE(FileText(SettingsFilePath()).find("MonitorConf.HighVolume = 80\r\n"), std::string::npos);
  // Volume 95 with presets 25 and 80: neither preset item is checked.
  EXPECT_FALSE(shell.menuChecked[cmd::MonitorHighVolume]);
  EXPECT_FALSE(shell.menuChecked[cmd::MonitorLowVolume]);

  // The next Monitor play uses the new device.
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayListRows().SelectOnly(PlayListRows().FindData(a));
  Command(cmd::MonitorPlay);
  EXPECT_EQ(MonitorChannel().Device, 1);

  // The default entry stores "".
  OpenMonitorConfig(s);
  s.devices.SelectOnly(0);
  StoreMonitorConfig(s);
  EXPECT_EQ(GetMWValue(setting::MonitorDeviceName), "");
}

TEST_F(MonitorConfig, SwitchingTheLoweringOffInTheWindowGivesTheVolumeBack) {
  EnterChildWindow();
  EXPECT_EQ(GetMWNumber(setting::MonitorVolume), 30);
  MonitorConfigState s;
  OpenMonitorConfig(s);
  s.lowVolumeInChildWindow = false;
  StoreMonitorConfig(s);
  LeaveChildWindow();
  EXPECT_EQ(GetMWNumber(setting::MonitorVolume), 80);
}

TEST_F(MonitorConfig, ThePlayKeyInTheWindowTakesThePlayListAndIsNoDoublePress) {
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayListRows().SelectOnly(PlayListRows().FindData(a));
  {
    PlayListMonitorSource scope;
    Command(cmd::MonitorPlay);
    Command(cmd::MonitorPlay);
    EXPECT_EQ(MonitorChannel().Track.ID, a);
    EXPECT_EQ(MonitorState().AutoFlags & 1, 0);
    EXPECT_TRUE(speech.lines.empty());
  }
  EXPECT_FALSE(CurrentMonitorSource());
  Command(cmd::MonitorPlay);
  Command(cmd::MonitorPlay);
  EXPECT_EQ(MonitorState().AutoFlags & 1, 1);
}

}  // namespace
