// The ten effect sets (set 0 is the fixed no-effect set, 1..9 belong to the user), their file
// "Effects.ini" and the named presets of each effect.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "audiolib/dsp/Effect.h"

class ListModel;

struct EffectSet {
  std::string Name;
  alib::dsp::ReverbParams Reverb;
  int32_t ReverbEnable = 0;
  alib::dsp::AllPassParams APF;
  int32_t APFEnable = 0;
  int32_t ChorusEnable = 0;
  alib::dsp::ChorusParams Chorus;
  alib::dsp::AutoWahParams AutoWah;
  int32_t AutoWahEnable = 0;
  alib::dsp::EchoParams Echo2;
  int32_t Echo2Enable = 0;
};

inline constexpr int kEffectSetCount = 10;
// The menu commands that assign a set: 293..302 (Output) and 303..312 (Monitor).
inline constexpr int kOutputEffectBase = 293;
inline constexpr int kMonitorEffectBase = 303;

// The effect sets file "Effects.ini" in PrefPath (loaded at start-up).
bool LoadEffectSets();
bool SaveEffectSets();
// Makes a set current (the index is clamped to the loaded ones); 0 when none are loaded.
int SelectEffectSet(int index);

// The list built by LoadEffectSets (empty before), and the set SelectEffectSet made current.
std::vector<EffectSet>& EffectSets();
// Index of the current set, -1 while the list is empty.
int CurrentEffectSetIndex();
// The current set, or null while the list is empty.
EffectSet* CurrentEffectSet();
// The effects window's test options, kept with the sets ("Flags" in the file).
int32_t EffectFlags();
void SetEffectFlags(int32_t flags);

std::string EffectSetsFilePath();
// The bytes SaveEffectSets writes, for the given date ("dd/mm/yyyy").
std::string EffectSetsFileText(const std::string& date);

// The leading decimal number of a text (sign, digits, point, digits; 0 when there is none).
double LeadingDecimal(const std::string& text);
// Reading of a parameter: outer spaces stripped; empty gives def; otherwise the leading
// decimal number (0 when there is none), clamped to min..max.
float ReadLimitedFloat(const std::string& text, float min, float max, float def);
// Ten decimals of the single-precision value widened to double (0.6 gives 0.6000000238).
std::string FormatEffectValue(float value);

// Presets. Fill mode (index -1, no record, a list): the names go into the list in table order
// and the first is selected; the result is "". Otherwise preset index is written into the
// record (when one is given) and its name returned; an index beyond the table gives "".
std::string ApplyPreset(int index, alib::dsp::AllPassParams* record, ListModel* list = nullptr);
std::string ApplyPreset(int index, alib::dsp::AutoWahParams* record, ListModel* list = nullptr);
std::string ApplyPreset(int index, alib::dsp::ChorusParams* record, ListModel* list = nullptr);
std::string ApplyPreset(int index, alib::dsp::EchoParams* record, ListModel* list = nullptr);

// Writes the set names into the main menu: the Output and Monitor items with the name, a tab
// and the command's shortcut; the items that open the effects window with the name alone.
void UpdateEffectMenus();

// Empties the list and the options (tests; the device assignments are ResetDeviceEffects').
void ResetEffectSets();
