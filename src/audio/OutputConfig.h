// The Output settings window without a screen: its controls as values (volumes, fades,
// equaliser bands, compressor, device), what a change applies at once to the playing Output,
// and what confirming stores. The window shows this state and hands every change back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "access/Sliders.h"
#include "app/ListModel.h"
#include "settings/SettingIds.h"

// Pages in tab order.
enum OutputConfigPage : int {
  kOutputPageGeneral = 0,
  kOutputPageFading = 1,
  kOutputPageEqualizer = 2,
  kOutputPageCompressor = 3,
  kOutputPageDevice = 4,
};
inline constexpr int kOutputConfigPages = 5;

// Control numbers: a control that edits one setting carries the setting's id; the compressor's
// fields share one setting, and the equaliser bands are numbered from kOutputEqualizerBand.
namespace outcfg {
enum Control : int {
  MaxVolume = setting::OutputMaxVolume,
  MuteVolume = setting::OutputMuteVolume,
  LowVolumeInChildWindow = setting::OutputLowVolumeInChildWindow,
  FadingTime = setting::OutputFadingTime,
  FadingDown = setting::OutputFadingDown,
  FadingUp = setting::OutputFadingUp,
  DeviceName = setting::OutputName,
  UseDefault = setting::OutputUseDefault,
  CompressorGain = 1000,
  CompressorThreshold = 1001,
  CompressorAttack = 1002,
  CompressorRelease = 1003,
  CompressorRatio = 1004,
  CompressorModel = 1005,
  EqualizerBand = 1100,  // + the band's index
};
}  // namespace outcfg

struct EqualizerBandControl {
  std::string label;  // the centre frequency: "60 Hz", "3.5 KHz"
  int32_t data = 0;   // frequency × 256 + bandwidth (whole numbers)
  SliderControl slider{SliderControl::Slider, 0, 30, 15, 0};  // gain + 15
};

struct OutputConfigState {
  SliderControl maxVolume{SliderControl::Spin, 30, 100, 100, 0};
  SliderControl muteVolume{SliderControl::Spin, 30, 100, 30, 0};
  bool lowVolumeInChildWindow = false;
  SliderControl fadingTime{SliderControl::Spin, 1, 20, 5, 0};
  SliderControl fadingDown{SliderControl::Spin, 0, 5, 5, 0};
  SliderControl fadingUp{SliderControl::Spin, 0, 5, 4, 0};
  std::vector<EqualizerBandControl> bands;
  SliderControl compGain{SliderControl::Slider, -60, 60, 0, 0};
  SliderControl compThreshold{SliderControl::Slider, -60, 0, -15, 0};
  SliderControl compAttack{SliderControl::Slider, 1, 500, 10, 0};
  SliderControl compRelease{SliderControl::Slider, 50, 3000, 200, 0};
  SliderControl compRatio{SliderControl::Spin, 1, 100, 3, 0};
  int compModel = -1;  // the chosen model, -1 none
  ListModel devices;   // the device chooser
  bool useDefault = true;
  int page = kOutputPageGeneral;
  // As they were at opening: switching the lowering off while the window had lowered the
  // Output must give the sound back when it closes.
  bool lowVolumeAtOpening = false;
};

// Fills every control from the settings and remembers the values for F1; page: the first page
// shown (the equaliser command opens on kOutputPageEqualizer).
void OpenOutputConfig(OutputConfigState& s, int page);

// One "frequency§bandwidth#gain;" entry per band, from the sliders.
std::string EqualizerTextFromControls(const OutputConfigState& s);
std::string CompressorTextFromControls(const OutputConfigState& s);

// The slider or spinner behind a control number, null for others.
SliderControl* OutputConfigSlider(OutputConfigState& s, int control);
// The text shown beside a control ("80 %", "5.0 seconds", "-15 dB", "200 ms"); "" for none.
std::string OutputConfigValueText(const OutputConfigState& s, int control);

// The user changed a control (its new value is in the state): the fading limits follow the
// overlap time, equaliser and compressor changes are heard at once on the Output, a chosen
// compressor model sets the five fields.
void OutputConfigChanged(OutputConfigState& s, int control);
void ChooseCompressorModel(OutputConfigState& s, int model);

enum class SliderKey { StepUp, StepDown, Reset };
void MoveSlider(SliderControl& c, SliderKey key);
// Page Up, Page Down, F1 on a control: moves it and applies the change like one by hand;
// false when the control is not a slider or spinner.
bool OutputConfigKey(OutputConfigState& s, int control, SliderKey key);

// Confirmation: every control into its setting, play controls updated, settings file written.
void StoreOutputConfig(const OutputConfigState& s);
// After confirming or cancelling: the stored equaliser is heard again on the Output.
void CloseOutputConfig();
