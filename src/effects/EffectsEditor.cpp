#include "effects/EffectsEditor.h"

#include <algorithm>
#include <cmath>

#include "access/Templates.h"
#include "app/TextUtil.h"
#include "effects/EffectChain.h"
#include "effects/EffectHooks.h"
#include "lang/Lang.h"

namespace {

using Form = EffectTextForm;

const EffectParamInfo kParams[kEffectParamCount] = {
    {"Effects\\APF.Gain", kEffectsPageAPF, -10, 10, 1, 10, Form::OneDecimal},
    {"Effects\\APF.Delay", kEffectsPageAPF, 0, 2000, 1, 1000, Form::Milliseconds},
    {"Effects\\AutoWah.fDryMix", kEffectsPageAutoWah, -20, 20, 1, 10, Form::OneDecimal},
    {"Effects\\AutoWah.fWetMix", kEffectsPageAutoWah, -20, 20, 1, 10, Form::OneDecimal},
    {"Effects\\AutoWah.\tfFeedback", kEffectsPageAutoWah, -10, 10, 1, 10, Form::OneDecimal},
    {"Effects\\AutoWah.fRate", kEffectsPageAutoWah, 0, 10, 1, 1, Form::Integer},
    {"Effects\\AutoWah.\tfRange", kEffectsPageAutoWah, 0, 100, 1, 10, Form::OneDecimal},
    {"Effects\\AutoWah.fFreq", kEffectsPageAutoWah, 0, 1000, 1, 1, Form::Frequency},
    {"Effects\\Chorus.fDryMix", kEffectsPageChorus, -20, 20, 1, 10, Form::OneDecimal},
    {"Effects\\Chorus.fWetMix", kEffectsPageChorus, -40, 40, 1, 20, Form::TwoDecimals},
    {"Effects\\Chorus.fFeedback", kEffectsPageChorus, -10, 10, 1, 10, Form::OneDecimal},
    {"Effects\\Chorus.fMinSweep", kEffectsPageChorus, 0, 1000, 1, 1, Form::Milliseconds},
    {"Effects\\Chorus.fMaxSweep", kEffectsPageChorus, 0, 1000, 1, 1, Form::Milliseconds},
    {"Effects\\Chorus.fRate", kEffectsPageChorus, 0, 500, 1, 1, Form::Integer},
    {"Effects\\Echo2.fDryMix", kEffectsPageEcho2, -20, 20, 1, 10, Form::OneDecimal},
    {"Effects\\Echo2.\tfWetMix", kEffectsPageEcho2, -20, 20, 1, 10, Form::OneDecimal},
    {"Effects\\Echo2.fFeedback", kEffectsPageEcho2, -10, 10, 1, 10, Form::OneDecimal},
    {"Effects\\Echo2.\tfDelay", kEffectsPageEcho2, 0, 50, 1, 10, Form::Seconds},
    {"Effects\\Reverb.Level", kEffectsPageReverb, 0, 50, 1, 10, Form::OneDecimal},
    {"Effects\\Reverb.Deelay", kEffectsPageReverb, 120, 1000, 10, 1, Form::TenMilliseconds},
};
constexpr int kReverbDelayParam = 19;

// The float field behind a parameter control (every one but the reverb delay).
float* Field(EffectSet& s, int param) {
  switch (param) {
    case 0: return &s.APF.fGain;
    case 1: return &s.APF.fDelay;
    case 2: return &s.AutoWah.fDryMix;
    case 3: return &s.AutoWah.fWetMix;
    case 4: return &s.AutoWah.fFeedback;
    case 5: return &s.AutoWah.fRate;
    case 6: return &s.AutoWah.fRange;
    case 7: return &s.AutoWah.fFreq;
    case 8: return &s.Chorus.fDryMix;
    case 9: return &s.Chorus.fWetMix;
    case 10: return &s.Chorus.fFeedback;
    case 11: return &s.Chorus.fMinSweep;
    case 12: return &s.Chorus.fMaxSweep;
    case 13: return &s.Chorus.fRate;
    case 14: return &s.Echo2.fDryMix;
    case 15: return &s.Echo2.fWetMix;
    case 16: return &s.Echo2.fFeedback;
    case 17: return &s.Echo2.fDelay;
    case 18: return &s.Reverb.fLevel;
    default: return nullptr;
  }
}

bool ValidParam(int param) { return param >= 0 && param < kEffectParamCount; }

int Clamp(const EffectParamInfo& p, long long v) {
  return static_cast<int>(std::clamp<long long>(v, p.minimum, p.maximum));
}

int32_t& Enable(EffectSet& s, int page) {
  switch (page) {
    case kEffectsPageAPF: return s.APFEnable;
    case kEffectsPageAutoWah: return s.AutoWahEnable;
    case kEffectsPageChorus: return s.ChorusEnable;
    case kEffectsPageEcho2: return s.Echo2Enable;
    default: return s.ReverbEnable;
  }
}

int32_t FlagsWithTests(bool monitor, bool output) {
  return (EffectFlags() & ~(kTestOnMonitor | kTestOnOutput)) | (monitor ? kTestOnMonitor : 0) |
         (output ? kTestOnOutput : 0);
}

}  // namespace

const EffectParamInfo& EffectParam(int param) { return kParams[ValidParam(param) ? param : 0]; }

double EffectParamFromControl(int param, int value) {
  const EffectParamInfo& p = EffectParam(param);
  return static_cast<double>(value) * p.multiplier / p.divisor;
}

int EffectControlFromSet(const EffectSet& set, int param) {
  if (!ValidParam(param)) return 0;
  const EffectParamInfo& p = kParams[param];
  if (param == kReverbDelayParam) return Clamp(p, set.Reverb.lDelay / 10);
  float v = *Field(const_cast<EffectSet&>(set), param);
  double c = static_cast<double>(v) * p.divisor / p.multiplier;
  // A hand-edited file may hold anything; a control cannot.
  if (!std::isfinite(c)) return Clamp(p, 0);
  return Clamp(p, std::llround(std::clamp(c, -1e9, 1e9)));
}

void SetEffectParam(EffectSet& set, int param, int value) {
  if (!ValidParam(param)) return;
  if (param == kReverbDelayParam) {
    set.Reverb.lDelay = value * 10;
    return;
  }
  *Field(set, param) = static_cast<float>(EffectParamFromControl(param, value));
}

std::string EffectParamText(int param, int value) {
  double v = EffectParamFromControl(param, value);
  switch (EffectParam(param).form) {
    case Form::OneDecimal: return text::Fixed(v, 1);
    case Form::TwoDecimals: return text::Fixed(v, 2);
    case Form::Integer: return std::to_string(value);
    case Form::Milliseconds: return std::to_string(value) + " ms";
    case Form::TenMilliseconds: return std::to_string(value * 10) + " ms";
    case Form::Seconds: return SecondsText(v);
    case Form::Frequency: return FrequencyText(v);
  }
  return std::to_string(value);
}

bool EffectControlFromText(int param, const std::string& raw, int& value) {
  std::string t = text::Trim(raw);
  size_t digits = t.find_first_of("0123456789");
  if (digits == std::string::npos) return false;
  double v = LeadingDecimal(t);
  const EffectParamInfo& p = EffectParam(param);
  // The control's own units: milliseconds are the value, kilohertz a thousand of it.
  double c;
  switch (p.form) {
    case Form::Integer:
    case Form::Milliseconds: c = v; break;
    case Form::TenMilliseconds: c = v / 10; break;
    case Form::Frequency: c = text::Lower(t).find('k') != std::string::npos ? v * 1000 : v; break;
    default: c = v * p.divisor / p.multiplier; break;
  }
  value = Clamp(p, std::llround(std::clamp(c, -1e9, 1e9)));
  return true;
}

std::pair<int, int> EffectsPageParams(int page) {
  int first = -1, last = -1;
  for (int i = 0; i < kEffectParamCount; ++i) {
    if (kParams[i].page != page) continue;
    if (first < 0) first = i;
    last = i + 1;
  }
  if (first < 0) return {0, 0};
  return {first, last};
}

bool OpenEffectsEditor(EffectsEditor& e, int set) {
  if (set < 1 || set >= static_cast<int>(EffectSets().size())) return false;
  if (!SelectEffectSet(set) || CurrentEffectSetIndex() != set) return false;
  e = EffectsEditor{};
  e.set = set;
  e.working = *CurrentEffectSet();
  // The Output is on air: its test is never left on from one opening to the next.
  SetEffectFlags(EffectFlags() & ~kTestOnOutput);
  e.testOnMonitor = (EffectFlags() & kTestOnMonitor) != 0;
  e.testOnOutput = false;
  e.name = e.working.Name;
  ApplyPreset(-1, static_cast<alib::dsp::AllPassParams*>(nullptr), &e.presets[kEffectsPageAPF]);
  ApplyPreset(-1, static_cast<alib::dsp::AutoWahParams*>(nullptr), &e.presets[kEffectsPageAutoWah]);
  ApplyPreset(-1, static_cast<alib::dsp::ChorusParams*>(nullptr), &e.presets[kEffectsPageChorus]);
  ApplyPreset(-1, static_cast<alib::dsp::EchoParams*>(nullptr), &e.presets[kEffectsPageEcho2]);
  for (int page = kEffectsPageAPF; page < kEffectsPageCount; ++page) e.enabled[page] = Enable(e.working, page) != 0;
  for (int i = 0; i < kEffectParamCount; ++i) {
    SliderControl& c = e.params[i];
    c.kind = SliderControl::Spin;
    c.minimum = kParams[i].minimum;
    c.maximum = kParams[i].maximum;
    c.value = EffectControlFromSet(e.working, i);
    c.data = 0;
    // Only the all-pass controls go back to their opening value; the others reset to 0.
    if (kParams[i].page == kEffectsPageAPF) SliderRemember(c);
  }
  TestCurrentSet(e);
  return true;
}

std::string EffectsEditorTitle(const EffectsEditor& e) { return Lang("Effects\\Title.Edit", e.working.Name); }

EffectSet ReadEffectsEditor(const EffectsEditor& e) {
  EffectSet s = e.working;
  s.Name = text::Trim(e.name);
  // A nameless set would leave a blank menu item: it takes the numbered name without its number.
  if (s.Name.empty()) s.Name = text::Trim(Lang("Menu\\Effects.Number", ""));
  // A line break would end the name's entry in the file.
  for (char& c : s.Name)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  for (int page = kEffectsPageAPF; page < kEffectsPageCount; ++page) Enable(s, page) = e.enabled[page] ? 1 : 0;
  for (int i = 0; i < kEffectParamCount; ++i) SetEffectParam(s, i, e.params[i].value);
  SetEffectFlags(FlagsWithTests(e.testOnMonitor, e.testOnOutput));
  return s;
}

void TestCurrentSet(EffectsEditor& e) {
  EffectSet s = ReadEffectsEditor(e);
  if (e.testOnMonitor) ApplyEffectSetToDevice(kEffectDeviceMonitor, &s);
  // Unticking a box ends the test there: the device is not left playing a set nobody chose.
  else if (e.monitorTested) ApplyDeviceEffect(kEffectDeviceMonitor);
  if (e.testOnOutput) ApplyEffectSetToDevice(kEffectDeviceOutput, &s);
  else if (e.outputTested) ApplyDeviceEffect(kEffectDeviceOutput);
  e.monitorTested = e.testOnMonitor;
  e.outputTested = e.testOnOutput;
}

void SetEffectsParam(EffectsEditor& e, int param, int value) {
  if (!ValidParam(param)) return;
  e.params[param].value = Clamp(kParams[param], value);
  TestCurrentSet(e);
}

void StepEffectsParam(EffectsEditor& e, int param, bool up) {
  if (!ValidParam(param)) return;
  if (up) SliderStepUp(e.params[param]);
  else SliderStepDown(e.params[param]);
  TestCurrentSet(e);
}

void ResetEffectsParam(EffectsEditor& e, int param) {
  if (!ValidParam(param)) return;
  SliderReset(e.params[param]);
  TestCurrentSet(e);
}

bool ApplyEffectsPreset(EffectsEditor& e, int page) {
  if (page < kEffectsPageAPF || page > kEffectsPageEcho2) return false;
  int index = e.presets[page].FirstSelected();
  if (index < 0) return false;
  // The preset fills a set made from the controls, so its other fields are what is shown.
  EffectSet t = ReadEffectsEditor(e);
  std::string name;
  switch (page) {
    case kEffectsPageAPF: name = ApplyPreset(index, &t.APF); break;
    case kEffectsPageAutoWah: name = ApplyPreset(index, &t.AutoWah); break;
    case kEffectsPageChorus: name = ApplyPreset(index, &t.Chorus); break;
    default: name = ApplyPreset(index, &t.Echo2); break;
  }
  if (name.empty()) return false;
  auto [first, last] = EffectsPageParams(page);
  for (int i = first; i < last; ++i) e.params[i].value = EffectControlFromSet(t, i);
  TestCurrentSet(e);
  return true;
}

void CloseEffectsEditor(EffectsEditor& e, bool confirmed) {
  EffectSet s = ReadEffectsEditor(e);
  auto& sets = EffectSets();
  if (confirmed && e.set >= 1 && e.set < static_cast<int>(sets.size())) {
    sets[static_cast<size_t>(e.set)] = s;
    e.working = s;
  }
  ApplyDeviceEffect(kEffectDeviceOutput);
  ApplyDeviceEffect(kEffectDeviceMonitor);
  SaveEffectSets();
  UpdateEffectMenus();
}
