// The effects window without its screen: the controls of the user set under edit, how each
// integer control maps to its effect parameter and to the text it shows, and what a change,
// a preset, a key or closing the window does. The window only mirrors this state.
#pragma once
#include <array>
#include <string>

#include "access/Sliders.h"
#include "app/ListModel.h"
#include "effects/EffectSets.h"

// Pages of the window in tab order; the five effect pages carry an on/off box.
enum EffectsPage {
  kEffectsPageGeneral,
  kEffectsPageAPF,
  kEffectsPageAutoWah,
  kEffectsPageChorus,
  kEffectsPageEcho2,
  kEffectsPageReverb,
  kEffectsPageCount
};

// Bits of the test options ("Flags" of the effect-set file).
inline constexpr int32_t kTestOnMonitor = 1;
inline constexpr int32_t kTestOnOutput = 2;

enum class EffectTextForm { OneDecimal, TwoDecimals, Integer, Milliseconds, Frequency, Seconds, TenMilliseconds };

struct EffectParamInfo {
  const char* labelKey;
  int page;
  int minimum, maximum;     // range of the control
  int multiplier, divisor;  // parameter = control value × multiplier ÷ divisor
  EffectTextForm form;
};

inline constexpr int kEffectParamCount = 20;
// The parameter controls in page order (APF, AutoWah, Chorus, Echo2, reverb).
const EffectParamInfo& EffectParam(int param);
// The parameter a control value stands for.
double EffectParamFromControl(int param, int value);
// The control value for a set's parameter: nearest integer (the reverb delay by integer
// division by 10), kept inside the control's range.
int EffectControlFromSet(const EffectSet& set, int param);
void SetEffectParam(EffectSet& set, int param, int value);
// What the control shows for a value ("0.6", "50 ms", "1 KHz", "2.5 seconds"…).
std::string EffectParamText(int param, int value);
// The control value a typed text stands for, read in the control's own form ("1.5 KHz" is
// 1500, "0.6" on a gain is 6); false when the text holds no number.
bool EffectControlFromText(int param, const std::string& text, int& value);

struct EffectsEditor {
  int set = 0;
  EffectSet working;  // copied at opening; written back to the list only on confirmation
  std::string name;
  bool testOnMonitor = false, testOnOutput = false;
  std::array<bool, kEffectsPageCount> enabled{};  // by page; the general page has none
  std::array<SliderControl, kEffectParamCount> params{};
  std::array<ListModel, kEffectsPageCount> presets;  // APF, AutoWah, Chorus and Echo2 pages
  // The devices that carry the edited set now.
  bool monitorTested = false, outputTested = false;
};

// Opens set 1..9 for editing: copies it, switches the Output test off, fills the controls and
// puts the set on the test devices. False (and nothing done) for set 0 and beyond the list.
bool OpenEffectsEditor(EffectsEditor& e, int set);
std::string EffectsEditorTitle(const EffectsEditor& e);
// A set made from the controls; the test options follow the two boxes at the same time.
EffectSet ReadEffectsEditor(const EffectsEditor& e);
// Puts the set made from the controls on the Monitor and/or the Output, as the boxes ask; a
// device whose box was unticked gets its assigned set back.
void TestCurrentSet(EffectsEditor& e);

// A parameter control took a value (kept inside its range); the set is heard at once.
void SetEffectsParam(EffectsEditor& e, int param, int value);
// Page Up / Page Down: a tenth of the range.
void StepEffectsParam(EffectsEditor& e, int param, bool up);
// F1 on a parameter: back to its remembered value (0 when nothing was remembered).
void ResetEffectsParam(EffectsEditor& e, int param);
// F1 on a preset list: the selected preset goes into the page's parameter controls (the
// on/off box stays). False when the page has no presets or nothing is selected.
bool ApplyEffectsPreset(EffectsEditor& e, int page);
// Parameters of a page, as [first, last).
std::pair<int, int> EffectsPageParams(int page);

// Closing: on confirmation the controls replace the set in the list. Either way the devices
// get their assigned sets back (removing what the test put there), the file is saved (the
// test options may have changed) and the menus show the names.
void CloseEffectsEditor(EffectsEditor& e, bool confirmed);
