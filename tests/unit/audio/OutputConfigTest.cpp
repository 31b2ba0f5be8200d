// The Output settings window's state: what it shows, the fading limits, the equaliser and
// compressor heard at once on the playing Output, and what confirming or cancelling leaves.
#include <cmath>
#include <filesystem>

#include "app/FileUtil.h"
#include "audiolib/dsp/Effect.h"
#include "audio/OutputConfig.h"
#include "effects/EffectChain.h"
#include "unit/audio/AudioFixture.h"

namespace {

std::string FileText(const std::string& path) {
  std::string t;
  fileutil::ReadFile(path, t);
  return t;
}

const std::string S = "\xC2\xA7";  // "§"

class OutputConfig : public AudioTest {
 protected:
  OutputConfigState s;

  void SetUp() override {
    AudioTest::SetUp();
    LangTable().push_back({"Time.Second", "seconds"});
    SortLangTable();
    // No fade-in: levels are measured from the first second on.
    SetMWFlag(setting::OutputFadingEnable, false);
  }

  // Starts the 440 Hz tone (left channel) on the Output.
  void PlayTone() {
    int32_t a = AddTrack(Tone("left20.wav", 20));
    PlayTrack(a, false);
    ASSERT_NE(OutputChannel().Handle, 0u);
  }
  // RMS of the left channel over the next second, after a quarter second for glides.
  double Heard() {
    Render(0.25);
    double from = static_cast<double>(heard.size() / 2) / kRate;
    Render(1.0);
    return Level(from, from + 1.0, 0);
  }
  int Attached(int32_t type) {
    int n = 0;
    for (const auto& e : OutputChannel().Effects.items) n += e.type == type;
    return n;
  }
};

TEST_F(OutputConfig, OpensWithTheStoredValuesTheBandLabelsAndTheDevice) {
  SetMWNumber(setting::OutputMaxVolume, 90);
  SetMWNumber(setting::OutputMuteVolume, 40);
  SetMWNumber(setting::OutputFadingTime, 6);
  SetMWNumber(setting::OutputFadingDown, 6);
  SetMWNumber(setting::OutputFadingUp, 3);
  SetMWValue(setting::OutputParamEQ,
             "60" + S + "2;250" + S + "0.5#3;1000#-4" + S + "2;3500" + S + "2;10000" + S + "2#40;15" + S + "2;");
  SetMWValue(setting::OutputCompressor, "3;10;200;-20;3;");
  SetMWValue(setting::OutputName, "test monitor");
  SetMWFlag(setting::OutputUseDefault, false);

  OpenOutputConfig(s, kOutputPageEqualizer);
  EXPECT_EQ(s.page, kOutputPageEqualizer);
  EXPECT_EQ(OutputConfigValueText(s, outcfg::MaxVolume), "90 %");
  EXPECT_EQ(OutputConfigValueText(s, outcfg::MuteVolume), "40 %");
  EXPECT_EQ(OutputConfigValueText(s, outcfg::FadingTime), "6.0 seconds");
  EXPECT_EQ(s.fadingDown.maximum, 6);
  EXPECT_EQ(s.fadingUp.value, 3);

  ASSERT_EQ(s.bands.size(), 5u);  // 15 Hz is no band
  const char* labels[] = {"60 Hz", "250 Hz", "1 KHz", "3.5 KHz", "10 KHz"};
  const int gains[] = {0, 3, -4, 0, 15};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(s.bands[i].label, labels[i]);
    EXPECT_EQ(s.bands[i].slider.value, gains[i] + 15) << i;
    EXPECT_EQ(s.bands[i].slider.maximum, 30);
  }
  EXPECT_EQ(s.bands[2].data, 1000 * 256 + 2);
  // Half an octave is kept as one: a band of width 0 would vanish on confirming.
  EXPECT_EQ(s.bands[1].data & 255, 1);
  EXPECT_EQ(EqualizerTextFromControls(s),
            "60" + S + "2#0;250" + S + "1#3;1000" + S + "2#-4;3500" + S + "2#0;10000" + S + "2#15;");

  // The stored compressor is the second model.
  EXPECT_EQ(s.compModel, 1);
  EXPECT_EQ(OutputConfigValueText(s, outcfg::CompressorThreshold), "-20 dB");
  EXPECT_EQ(OutputConfigValueText(s, outcfg::CompressorRelease), "200 ms");

  // The device chooser: the default entry first, the stored name found ignoring case.
  EXPECT_EQ(s.devices.Data(0), -1);
  EXPECT_EQ(DeviceNameFromList(&s.devices), "Test Monitor");
  EXPECT_FALSE(s.useDefault);

  // A page out of range opens the first one; an empty compressor text shows the defaults.
  SetMWValue(setting::OutputCompressor, "");
  OutputConfigState t;
  OpenOutputConfig(t, 9);
  EXPECT_EQ(t.page, kOutputPageGeneral);
  EXPECT_EQ(t.compModel, 0);
  EXPECT_EQ(t.compThreshold.value, -15);
}

TEST_F(OutputConfig, TheFadeTimesFollowTheOverlapAndTheKeysStepAndRestore) {
  SetMWNumber(setting::OutputFadingTime, 10);
  SetMWNumber(setting::OutputFadingDown, 8);
  SetMWNumber(setting::OutputFadingUp, 4);
  OpenOutputConfig(s, kOutputPageFading);

  s.fadingTime.value = 5;
  OutputConfigChanged(s, outcfg::FadingTime);
  EXPECT_EQ(s.fadingDown.value, 5);
  EXPECT_EQ(s.fadingDown.maximum, 5);
  EXPECT_EQ(s.fadingUp.value, 4);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::FadingUp, SliderKey::StepUp));  // a tenth of 0..5
  EXPECT_EQ(s.fadingUp.value, 5);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::FadingUp, SliderKey::StepUp));
  EXPECT_EQ(s.fadingUp.value, 5);

  // Page Down on the overlap pulls the others with it; F1 brings back 10, not the others.
  EXPECT_TRUE(OutputConfigKey(s, outcfg::FadingTime, SliderKey::StepDown));
  EXPECT_EQ(s.fadingTime.value, 3);
  EXPECT_EQ(s.fadingUp.value, 3);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::FadingTime, SliderKey::Reset));
  EXPECT_EQ(s.fadingTime.value, 10);
  EXPECT_EQ(s.fadingDown.maximum, 10);
  EXPECT_EQ(s.fadingDown.value, 3);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::FadingDown, SliderKey::Reset));
  EXPECT_EQ(s.fadingDown.value, 8);

  // Volumes: 30..100, a tenth is 7.
  EXPECT_TRUE(OutputConfigKey(s, outcfg::MuteVolume, SliderKey::StepUp));
  EXPECT_EQ(s.muteVolume.value, 37);
  EXPECT_FALSE(OutputConfigKey(s, outcfg::UseDefault, SliderKey::StepUp));
  EXPECT_FALSE(OutputConfigKey(s, outcfg::EqualizerBand + 7, SliderKey::StepUp));
}

TEST_F(OutputConfig, EqualizerEditsAreHeardAtOnceAndClosingPutsTheStoredTextBack) {
  SetMWValue(setting::OutputParamEQ, "440" + S + "1;2000" + S + "1;");
  PlayTone();
  const double flat = Heard();
  ASSERT_GT(flat, 0.2);
  OpenOutputConfig(s, kOutputPageEqualizer);

  s.bands[0].slider.value = 30;  // +15 dB at the tone
  OutputConfigChanged(s, outcfg::EqualizerBand);
  EXPECT_NEAR(Heard() / flat, std::pow(10.0, 15.0 / 20.0), 0.5);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::EqualizerBand, SliderKey::StepDown));  // to +12 dB
  EXPECT_NEAR(Heard() / flat, std::pow(10.0, 12.0 / 20.0), 0.4);
  EXPECT_EQ(Attached(alib::kFxPeakEq), 1);

  // Cancel: the stored, flat text is heard again.
  CloseOutputConfig();
  EXPECT_NEAR(Heard() / flat, 1.0, 0.05);
  EXPECT_EQ(GetMWValue(setting::OutputParamEQ), "440" + S + "1;2000" + S + "1;");

  // Confirm: the edit stays and is stored.
  OpenOutputConfig(s, kOutputPageEqualizer);
  EXPECT_TRUE(OutputConfigKey(s, outcfg::EqualizerBand, SliderKey::StepDown));  // -3 dB
  StoreOutputConfig(s);
  CloseOutputConfig();
  EXPECT_EQ(GetMWValue(setting::OutputParamEQ), "440" + S + "1#-3;2000" + S + "1#0;");
  EXPECT_NEAR(Heard() / flat, std::pow(10.0, -3.0 / 20.0), 0.05);
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

TEST_F(OutputConfig, CompressorEditsAndModelsAreHeardAtOnceAndStayUntilTheNextTrack) {
  PlayTone();  // the fixture's compressor text has gain and threshold 0: no compressor
  const double flat = Heard();
  EXPECT_EQ(Attached(alib::kFxCompressor), 0);
  OpenOutputConfig(s, kOutputPageCompressor);
  EXPECT_EQ(s.compModel, -1);

  // Make-up gain alone (the threshold 0 is above the tone).
  s.compGain.value = 6;
  OutputConfigChanged(s, outcfg::CompressorGain);
  EXPECT_EQ(Attached(alib::kFxCompressor), 1);
  EXPECT_NEAR(Heard() / flat, std::pow(10.0, 6.0 / 20.0), 0.15);

  // The second model: its five values in the controls and in the effect.
  s.compModel = 1;
  OutputConfigChanged(s, outcfg::CompressorModel);
  EXPECT_EQ(s.compGain.value, 3);
  EXPECT_EQ(s.compThreshold.value, -20);
  alib::dsp::CompressorParams now;
  uint32_t fx = 0;
  for (const auto& e : OutputChannel().Effects.items)
    if (e.type == alib::kFxCompressor) fx = e.handle;
  ASSERT_TRUE(alib::FXGetParameters(fx, &now));
  EXPECT_FLOAT_EQ(now.fThreshold, -20.0f);
  EXPECT_FLOAT_EQ(now.fGain, 3.0f);
  // A field moved by hand no longer matches a model.
  EXPECT_TRUE(OutputConfigKey(s, outcfg::CompressorAttack, SliderKey::StepUp));
  EXPECT_EQ(s.compAttack.value, 60);
  EXPECT_EQ(s.compModel, -1);

  // Cancelled: nothing stored, the compressor stays as last applied.
  CloseOutputConfig();
  EXPECT_EQ(GetMWValue(setting::OutputCompressor), "0;10;200;0;3;");
  EXPECT_EQ(Attached(alib::kFxCompressor), 1);

  // Back to gain and threshold 0 by hand: detached.
  OpenOutputConfig(s, kOutputPageCompressor);
  s.compGain.value = 0;
  s.compThreshold.value = 0;
  OutputConfigChanged(s, outcfg::CompressorThreshold);
  EXPECT_EQ(Attached(alib::kFxCompressor), 0);
  EXPECT_NEAR(Heard() / flat, 1.0, 0.02);
}

TEST_F(OutputConfig, ConfirmingStoresEveryControlAndWritesTheFile) {
  SetMWValue(setting::OutputParamEQ, kDefaultParamEQ);
  OpenOutputConfig(s, kOutputPageGeneral);
  App.SettingsChanged = false;
  s.maxVolume.value = 70;
  s.muteVolume.value = 50;
  s.lowVolumeInChildWindow = true;
  s.fadingTime.value = 8;
  OutputConfigChanged(s, outcfg::FadingTime);
  s.fadingDown.value = 7;
  s.fadingUp.value = 2;
  ChooseCompressorModel(s, 1);
  s.bands[4].slider.value = 20;
  const int monitorRow = s.devices.Count() - 1;
  ASSERT_EQ(s.devices.Text(monitorRow, 0), "Test Monitor");
  s.devices.SelectOnly(monitorRow);
  s.useDefault = false;
  StoreOutputConfig(s);

  EXPECT_EQ(GetMWNumber(setting::OutputMaxVolume), 70);
  EXPECT_EQ(GetMWNumber(setting::OutputMuteVolume), 50);
  EXPECT_TRUE(GetMWFlag(setting::OutputLowVolumeInChildWindow));
  EXPECT_EQ(GetMWNumber(setting::OutputFadingTime), 8);
  EXPECT_EQ(GetMWNumber(setting::OutputFadingDown), 7);
  EXPECT_EQ(GetMWNumber(setting::OutputFadingUp), 2);
  EXPECT_EQ(GetMWValue(setting::OutputCompressor),
            "3.0000000000;10.0000000000;200.0000000000;-20.0000000000;3.0000000000;");
  EXPECT_EQ(GetMWValue(setting::OutputName), "Test Monitor");
  EXPECT_FALSE(GetMWFlag(setting::OutputUseDefault));
  EXPECT_FALSE(App.SettingsChanged);
  const std::string file = FileText(SettingsFilePath());
  EXPECT_NE(file.find("Output.ParamEQ = 60" + S + "2#0;250" + S + "2#0;1000" + S + "2#0;3500" + S + "2#0;10000" + S +
                      "2#5;\r\n"),
            std::string::npos)
      << file;
  EXPECT_NE(file.find("Output.Name = Test Monitor\r\n"), std::string::npos);

  // The next track plays on the chosen device; the default entry stores "".
  PlayTone();
  EXPECT_EQ(alib::ChannelGetDevice(OutputChannel().Handle), 2);
  OpenOutputConfig(s, kOutputPageDevice);
  s.devices.SelectOnly(0);
  StoreOutputConfig(s);
  EXPECT_EQ(GetMWValue(setting::OutputName), "");
}

TEST_F(OutputConfig, SwitchingTheLoweringOffInTheWindowGivesTheSoundBackOnClosing) {
  SetMWFlag(setting::OutputLowVolumeInChildWindow, true);
  EnterChildWindow();
  EXPECT_EQ(CurrentOutputVolume(), 30);
  OpenOutputConfig(s, kOutputPageGeneral);
  s.lowVolumeInChildWindow = false;
  StoreOutputConfig(s);
  LeaveChildWindow();
  EXPECT_EQ(CurrentOutputVolume(), 80);

  // Muted by the user before the window opened: it stays muted.
  SetMWFlag(setting::OutputLowVolumeInChildWindow, true);
  SetMute(1, true);
  EnterChildWindow();
  OpenOutputConfig(s, kOutputPageGeneral);
  s.lowVolumeInChildWindow = false;
  StoreOutputConfig(s);
  LeaveChildWindow();
  EXPECT_EQ(CurrentOutputVolume(), 30);
}

}  // namespace
