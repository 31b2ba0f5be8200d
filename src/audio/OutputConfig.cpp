#include "audio/OutputConfig.h"

#include <algorithm>
#include <cmath>

#include "access/Templates.h"
#include "audio/Device.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "effects/EffectChain.h"
#include "effects/Equalizer.h"
#include "playlist/PlayListView.h"
#include "settings/Settings.h"

using alib::dsp::CompressorParams;
using alib::dsp::PeakEqParams;

namespace {

const char* const kSection = "\xC2\xA7";  // "§"

int Round(double v) { return static_cast<int>(std::lround(v)); }

void SetValue(SliderControl& c, int v) {
  c.value = std::clamp(v, std::min(c.minimum, c.maximum), std::max(c.minimum, c.maximum));
}

void Remember(OutputConfigState& s) {
  for (SliderControl* c : {&s.maxVolume, &s.muteVolume, &s.fadingTime, &s.fadingDown, &s.fadingUp, &s.compGain,
                           &s.compThreshold, &s.compAttack, &s.compRelease, &s.compRatio})
    SliderRemember(*c);
  for (EqualizerBandControl& b : s.bands) SliderRemember(b.slider);
}

void SetCompressorControls(OutputConfigState& s, const CompressorParams& p) {
  SetValue(s.compGain, Round(p.fGain));
  SetValue(s.compThreshold, Round(p.fThreshold));
  SetValue(s.compAttack, Round(p.fAttack));
  SetValue(s.compRelease, Round(p.fRelease));
  SetValue(s.compRatio, Round(p.fRatio));
}

// The model whose five values the controls show, or -1.
int MatchingModel(const OutputConfigState& s) {
  const auto& models = CompressorModels();
  for (size_t i = 0; i < models.size(); ++i) {
    const CompressorParams& p = models[i].params;
    if (Round(p.fGain) == s.compGain.value && Round(p.fThreshold) == s.compThreshold.value &&
        Round(p.fAttack) == s.compAttack.value && Round(p.fRelease) == s.compRelease.value &&
        Round(p.fRatio) == s.compRatio.value)
      return static_cast<int>(i);
  }
  return -1;
}

// The fade times can never be longer than the overlap.
void FollowFadingTime(OutputConfigState& s) {
  for (SliderControl* c : {&s.fadingDown, &s.fadingUp}) {
    c->maximum = s.fadingTime.value;
    SetValue(*c, c->value);
  }
}

void ApplyEqualizerNow(const OutputConfigState& s) {
  ChannelRecord& out = OutputChannel();
  ApplyEqualizer(out.Handle, out.Effects, EqualizerTextFromControls(s));
}

void ApplyCompressorNow(const OutputConfigState& s) {
  ChannelRecord& out = OutputChannel();
  ApplyCompressor(out.Handle, out.Effects, CompressorTextFromControls(s));
}

}  // namespace

void OpenOutputConfig(OutputConfigState& s, int page) {
  s.page = page >= 0 && page < kOutputConfigPages ? page : kOutputPageGeneral;
  SetValue(s.maxVolume, GetMWNumber(setting::OutputMaxVolume));
  SetValue(s.muteVolume, GetMWNumber(setting::OutputMuteVolume));
  s.lowVolumeInChildWindow = s.lowVolumeAtOpening = GetMWFlag(setting::OutputLowVolumeInChildWindow);
  SetValue(s.fadingTime, GetMWNumber(setting::OutputFadingTime));
  s.fadingDown.maximum = s.fadingUp.maximum = s.fadingTime.value;
  SetValue(s.fadingDown, GetMWNumber(setting::OutputFadingDown));
  SetValue(s.fadingUp, GetMWNumber(setting::OutputFadingUp));

  std::vector<PeakEqParams> parsed;
  ParseEqualizerText(GetMWValue(setting::OutputParamEQ), parsed);
  s.bands.clear();
  for (const PeakEqParams& p : parsed) {
    EqualizerBandControl b;
    const auto frequency = static_cast<int32_t>(p.fCenter);
    // The bandwidth is kept as a whole number; a band narrower than one octave keeps one,
    // since 0 would make it an invalid entry that vanishes once the window is confirmed.
    const int32_t width = std::max<int32_t>(1, Round(p.fBandwidth));
    b.label = FrequencyText(frequency);
    b.data = frequency * 256 + width;
    SetValue(b.slider, Round(p.fGain) + 15);
    s.bands.push_back(b);
  }

  SetCompressorControls(s, ParseCompressorText(GetMWValue(setting::OutputCompressor)));
  s.compModel = MatchingModel(s);

  s.devices.Clear();
  FillDeviceList(&s.devices);
  SelectDeviceInList(&s.devices, GetMWValue(setting::OutputName));
  s.useDefault = GetMWFlag(setting::OutputUseDefault);
  Remember(s);
}

std::string EqualizerTextFromControls(const OutputConfigState& s) {
  std::string t;
  for (const EqualizerBandControl& b : s.bands)
    t += std::to_string(b.data / 256) + kSection + std::to_string(b.data & 255) + "#" +
         std::to_string(b.slider.value - 15) + ";";
  return t;
}

std::string CompressorTextFromControls(const OutputConfigState& s) {
  CompressorParams p;
  p.fGain = static_cast<float>(s.compGain.value);
  p.fThreshold = static_cast<float>(s.compThreshold.value);
  p.fRatio = static_cast<float>(s.compRatio.value);
  p.fAttack = static_cast<float>(s.compAttack.value);
  p.fRelease = static_cast<float>(s.compRelease.value);
  return CompressorText(p);
}

SliderControl* OutputConfigSlider(OutputConfigState& s, int control) {
  switch (control) {
    case outcfg::MaxVolume: return &s.maxVolume;
    case outcfg::MuteVolume: return &s.muteVolume;
    case outcfg::FadingTime: return &s.fadingTime;
    case outcfg::FadingDown: return &s.fadingDown;
    case outcfg::FadingUp: return &s.fadingUp;
    case outcfg::CompressorGain: return &s.compGain;
    case outcfg::CompressorThreshold: return &s.compThreshold;
    case outcfg::CompressorAttack: return &s.compAttack;
    case outcfg::CompressorRelease: return &s.compRelease;
    case outcfg::CompressorRatio: return &s.compRatio;
    default: break;
  }
  const int band = control - outcfg::EqualizerBand;
  if (band >= 0 && band < static_cast<int>(s.bands.size())) return &s.bands[static_cast<size_t>(band)].slider;
  return nullptr;
}

std::string OutputConfigValueText(const OutputConfigState& s, int control) {
  switch (control) {
    case outcfg::MaxVolume: return std::to_string(s.maxVolume.value) + " %";
    case outcfg::MuteVolume: return std::to_string(s.muteVolume.value) + " %";
    case outcfg::FadingTime: return SecondsText(s.fadingTime.value);
    case outcfg::FadingDown: return SecondsText(s.fadingDown.value);
    case outcfg::FadingUp: return SecondsText(s.fadingUp.value);
    case outcfg::CompressorGain: return std::to_string(s.compGain.value) + " dB";
    case outcfg::CompressorThreshold: return std::to_string(s.compThreshold.value) + " dB";
    case outcfg::CompressorAttack: return std::to_string(s.compAttack.value) + " ms";
    case outcfg::CompressorRelease: return std::to_string(s.compRelease.value) + " ms";
    default: break;
  }
  const int band = control - outcfg::EqualizerBand;
  if (band >= 0 && band < static_cast<int>(s.bands.size()))
    return std::to_string(s.bands[static_cast<size_t>(band)].slider.value - 15) + " dB";
  return {};
}

void OutputConfigChanged(OutputConfigState& s, int control) {
  if (SliderControl* c = OutputConfigSlider(s, control)) SetValue(*c, c->value);
  if (control == outcfg::FadingTime) {
    FollowFadingTime(s);
  } else if (control >= outcfg::CompressorGain && control <= outcfg::CompressorRatio) {
    s.compModel = MatchingModel(s);
    ApplyCompressorNow(s);
  } else if (control == outcfg::CompressorModel) {
    ChooseCompressorModel(s, s.compModel);
  } else if (control >= outcfg::EqualizerBand && control < outcfg::EqualizerBand + static_cast<int>(s.bands.size())) {
    ApplyEqualizerNow(s);
  }
}

void ChooseCompressorModel(OutputConfigState& s, int model) {
  const auto& models = CompressorModels();
  if (model < 0 || model >= static_cast<int>(models.size())) return;
  s.compModel = model;
  SetCompressorControls(s, models[static_cast<size_t>(model)].params);
  ApplyCompressorNow(s);
}

void MoveSlider(SliderControl& c, SliderKey key) {
  switch (key) {
    case SliderKey::StepUp: SliderStepUp(c); break;
    case SliderKey::StepDown: SliderStepDown(c); break;
    case SliderKey::Reset: SliderReset(c); break;
  }
}

bool OutputConfigKey(OutputConfigState& s, int control, SliderKey key) {
  SliderControl* c = OutputConfigSlider(s, control);
  if (!c) return false;
  MoveSlider(*c, key);
  OutputConfigChanged(s, control);
  return true;
}

void StoreOutputConfig(const OutputConfigState& s) {
  SetMWNumber(setting::OutputMaxVolume, s.maxVolume.value);
  SetMWNumber(setting::OutputMuteVolume, s.muteVolume.value);
  SetMWFlag(setting::OutputLowVolumeInChildWindow, s.lowVolumeInChildWindow);
  SetMWNumber(setting::OutputFadingTime, s.fadingTime.value);
  SetMWNumber(setting::OutputFadingDown, std::min(s.fadingDown.value, s.fadingTime.value));
  SetMWNumber(setting::OutputFadingUp, std::min(s.fadingUp.value, s.fadingTime.value));
  SetMWValue(setting::OutputParamEQ, EqualizerTextFromControls(s));
  SetMWValue(setting::OutputCompressor, CompressorTextFromControls(s));
  SetMWValue(setting::OutputName, DeviceNameFromList(&s.devices));
  SetMWFlag(setting::OutputUseDefault, s.useDefault);
  // The window muted the Output when it opened; with the lowering now switched off, closing it
  // would leave the Output muted on air. Unmute unless the user had muted it before.
  if (s.lowVolumeAtOpening && !s.lowVolumeInChildWindow && !(OutputState().SavedMuteFlags & 1)) SetMute(0, true);
  UpdatePlayControls();
  // A changed mute volume is heard at once when muted.
  ApplyOutputVolume();
  Pref_Save(true);
}

void CloseOutputConfig() {
  ChannelRecord& out = OutputChannel();
  ApplyEqualizer(out.Handle, out.Effects, GetMWValue(setting::OutputParamEQ));
}
