#include "effects/EffectSets.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <map>
#include <utility>

#include "access/Shortcuts.h"
#include "app/AppState.h"
#include "app/FileUtil.h"
#include "app/IniFile.h"
#include "app/ListModel.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "lang/Lang.h"
#include "platform/Files.h"
#include "settings/Settings.h"

using namespace alib::dsp;

namespace {

std::vector<EffectSet> g_sets;
int g_current = -1;
int32_t g_flags = 1;

constexpr int kEffectsConfigBase = 283;

// The effect-set file: groups and "key = value" lines; keys ignore letter case, the first
// occurrence of a key in a group wins.
class GroupedIni {
 public:
  bool Open(const std::string& path) { return file_.Open(path); }
  void SelectGroup(const std::string& group) { group_ = text::Lower(group); }
  // Null when the key is missing.
  const std::string* Find(const std::string& key) const { return file_.Find(group_, key); }
  std::string Read(const std::string& key, const std::string& def) const {
    const std::string* v = Find(key);
    return v ? *v : def;
  }
  float Limited(const std::string& key, float min, float max, float def) const {
    return ReadLimitedFloat(Read(key, ""), min, max, def);
  }
  int32_t Enable(const std::string& key) const { return text::ParseInt(Read(key, "")); }

 private:
  IniFile file_;
  std::string group_;
};

void ReadAPF(const GroupedIni& ini, EffectSet& s) {
  s.APFEnable = ini.Enable("APF_Enable");
  s.APF.fGain = ini.Limited("APF_fGain", -1, 1, 0.6f);
  s.APF.fDelay = ini.Limited("APF_fDelay", 0, 2, 0.05f);
}
void ReadAutoWah(const GroupedIni& ini, EffectSet& s) {
  s.AutoWahEnable = ini.Enable("AutoWah_Enable");
  s.AutoWah.fDryMix = ini.Limited("AutoWah_fDryMix", -2, 2, 0.5f);
  s.AutoWah.fWetMix = ini.Limited("AutoWah_fWetMix", -2, 2, 1.5f);
  s.AutoWah.fFeedback = ini.Limited("AutoWah_fFeedback", -1, 1, 0.5f);
  s.AutoWah.fRate = ini.Limited("AutoWah_fRate", 0, 10, 2);
  s.AutoWah.fRange = ini.Limited("AutoWah_fRange", 0, 10, 4);
  s.AutoWah.fFreq = ini.Limited("AutoWah_fFreq", 0, 1000, 100);
}
void ReadChorus(const GroupedIni& ini, EffectSet& s) {
  s.ChorusEnable = ini.Enable("Chorus_Enable");
  s.Chorus.fDryMix = ini.Limited("Chorus_fDryMix", -2, 2, 1);
  s.Chorus.fWetMix = ini.Limited("Chorus_fWetMix", -2, 2, 0.35f);
  s.Chorus.fFeedback = ini.Limited("Chorus_fFeedback", -1, 1, 0.5f);
  s.Chorus.fMinSweep = ini.Limited("Chorus_fMinSweep", 0, 1000, 1);
  s.Chorus.fMaxSweep = ini.Limited("Chorus_fMaxSweep", 0, 1000, 5);
  s.Chorus.fRate = ini.Limited("Chorus_fRate", 0, 500, 1);
}
void ReadEcho2(const GroupedIni& ini, EffectSet& s) {
  s.Echo2Enable = ini.Enable("Echo2_Enable");
  s.Echo2.fDryMix = ini.Limited("Echo2_fDryMix", -2, 2, 1);
  s.Echo2.fWetMix = ini.Limited("Echo2_fWetMix", -2, 2, 1);
  s.Echo2.fFeedback = ini.Limited("Echo2_fFeedback", -1, 1, 0);
  s.Echo2.fDelay = ini.Limited("Echo2_fDelay", 0, 5, 1);
}
void ReadReverb(const GroupedIni& ini, EffectSet& s) {
  s.ReverbEnable = ini.Enable("RVB_Enable");
  s.Reverb.fLevel = ini.Limited("RVB_fLevel", 0, 5, 0.6f);
  s.Reverb.lDelay = static_cast<int32_t>(std::lround(ini.Limited("RVB_lDelay", 1200, 10000, 1200)));
}

// Set 0: every field 0, so every effect is off.
EffectSet NoEffectSet() {
  EffectSet s;
  s.Name = Lang("Effect\\Name.NoEffect");
  s.Reverb = {0.0f, 0};
  s.APF = {0.0f, 0.0f, 0};
  s.Chorus = {0, 0, 0, 0, 0, 0, 0};
  s.AutoWah = {0, 0, 0, 0, 0, 0, 0};
  s.Echo2 = {0, 0, 0, 0, 0};
  return s;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  platform::LocalTime(now, tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  return buf;
}

struct APFPreset {
  const char* name;
  float fGain, fDelay;
};
struct AutoWahPreset {
  const char* name;
  float fDryMix, fWetMix, fFeedback, fRate, fRange, fFreq;
};
struct ChorusPreset {
  const char* name;
  float fDryMix, fWetMix, fFeedback, fMinSweep, fMaxSweep, fRate;
};
struct EchoPreset {
  const char* name;
  float fDryMix, fWetMix, fFeedback, fDelay;
};

const APFPreset kAPFPresets[] = {
    {"Small Rever", 0.799f, 0.2f},
    {"Robot Voice", 0.6f, 0.05f},
    {"Long Reverberation", 0.599f, 1.3f},
};
const AutoWahPreset kAutoWahPresets[] = {
    {"Slow Auto Wah", 0.5f, 1.5f, 0.5f, 2, 4.3f, 50},
    {"Fast Auto Wah", 0.5f, 1.5f, 0.5f, 5, 5.3f, 50},
    {"Hi Fast Auto Wah", 0.5f, 1.5f, 0.5f, 5, 4.3f, 500},
};
const ChorusPreset kChorusPresets[] = {
    {"Flanger", 1, 0.35f, 0.5f, 1, 5, 1},
    {"Exaggerated chorus leads to multiple pitch shifted voices", 0.7f, 0.25f, 0.5f, 1, 200, 50},
    {"Motocycle", 0.9f, 0.45f, 0.5f, 1, 100, 25},
    {"Devil", 0.9f, 0.35f, 0.5f, 1, 50, 200},
    {"Who say that there're not many voices?", 0.9f, 0.35f, 0.5f, 1, 400, 200},
    {"Back chipmunk", 0.9f, -0.2f, 0.5f, 1, 400, 400},
    {"Water", 0.9f, -0.4f, 0.5f, 1, 2, 1},
    {"This is the airplane", 0.3f, 0.4f, 0.5f, 1, 10, 5},
};
const EchoPreset kEchoPresets[] = {
    {"Small Echo", 0.999f, 0.999f, 0, 0.2f},
    {"Many Echoes", 0.999f, 0.999f, 0.7f, 0.5f},
    {"Reverse Echoes", 0.999f, 0.999f, -0.7f, 0.8f},
};

// The common part of the four preset operations; write copies the preset into the record.
template <typename Preset, size_t N, typename Record, typename Write>
std::string Preset_(const Preset (&table)[N], int index, Record* record, ListModel* list, Write write) {
  if (index == -1 && record == nullptr && list != nullptr) {
    list->Clear();
    for (const auto& p : table) list->InsertRow(-1, {p.name}, 0);
    list->SelectOnly(0);
    return {};
  }
  if (index < 0 || static_cast<size_t>(index) >= N) return {};
  if (record) write(table[index], *record);
  return table[index].name;
}

}  // namespace

std::vector<EffectSet>& EffectSets() { return g_sets; }
int CurrentEffectSetIndex() { return g_current; }
EffectSet* CurrentEffectSet() { return g_current < 0 ? nullptr : &g_sets[static_cast<size_t>(g_current)]; }
int32_t EffectFlags() { return g_flags; }
void SetEffectFlags(int32_t flags) { g_flags = flags; }

int SelectEffectSet(int index) {
  if (g_current >= 0 && g_current == index) return 1;
  int last = static_cast<int>(g_sets.size()) - 1;
  if (index > last) index = last;
  if (index < 0) index = 0;
  if (g_sets.empty()) return 0;
  g_current = index;
  return 1;
}

double LeadingDecimal(const std::string& raw) { return text::LeadingFixed(text::Trim(raw)); }

float ReadLimitedFloat(const std::string& raw, float min, float max, float def) {
  std::string t = text::Trim(raw);
  if (t.empty()) return def;
  double v = LeadingDecimal(t);
  if (v < min) v = min;
  if (v > max) v = max;
  return static_cast<float>(v);
}

std::string FormatEffectValue(float value) {
  // Independent of the locale the toolkit may set: always a point.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 10);
  return std::string(buf, r.ptr);
}

std::string EffectSetsFilePath() { return App.PrefPath + "Effects.ini"; }

bool LoadEffectSets() {
  GroupedIni ini;
  bool opened = ini.Open(EffectSetsFilePath());
  g_sets.clear();
  g_current = -1;
  ini.SelectGroup("");
  const std::string* flags = ini.Find("Flags");
  g_flags = flags ? text::ParseInt(*flags) : 1;
  for (int n = 0; n < kEffectSetCount; ++n) {
    if (n == 0) {
      g_sets.push_back(NoEffectSet());
      continue;
    }
    EffectSet s;
    ini.SelectGroup(std::to_string(n + 1));
    // An empty name would leave a blank menu item: it takes the numbered name as well.
    s.Name = text::Trim(ini.Read("Name", ""));
    if (s.Name.empty()) s.Name = Lang("Menu\\Effects.Number", std::to_string(n));
    ReadAPF(ini, s);
    ReadAutoWah(ini, s);
    ReadChorus(ini, s);
    ReadEcho2(ini, s);
    ReadReverb(ini, s);
    g_sets.push_back(s);
  }
  g_current = 0;
  return opened;
}

std::string EffectSetsFileText(const std::string& date) {
  std::string out = "\xEF\xBB\xBF\r\n";
  auto comment = [&](const std::string& t) { out += "; " + t + "\r\n"; };
  auto value = [&](const std::string& k, const std::string& v) { out += k + " = " + v + "\r\n"; };
  auto real = [&](const std::string& k, float v) { value(k, FormatEffectValue(v)); };
  auto integer = [&](const std::string& k, int32_t v) { value(k, std::to_string(v)); };
  comment(std::string("Effectes fpr Tondrial version ") + kVersion);
  comment("Updated : " + date);
  integer("Flags", g_flags);
  for (size_t n = 1; n < g_sets.size(); ++n) {
    const EffectSet& s = g_sets[n];
    out += "[" + std::to_string(n + 1) + "]\r\n";
    // A line break in a name would end the entry and start a made-up one.
    std::string name = s.Name;
    for (char& c : name)
      if (c == '\r' || c == '\n') c = ' ';
    value("Name", name);
    integer("APF_Enable", s.APFEnable);
    real("APF_fDelay", s.APF.fDelay);
    real("APF_fGain", s.APF.fGain);
    integer("AutoWah_Enable", s.AutoWahEnable);
    real("AutoWah_fDryMix", s.AutoWah.fDryMix);
    real("AutoWah_fWetMix", s.AutoWah.fWetMix);
    real("AutoWah_fFeedback", s.AutoWah.fFeedback);
    real("AutoWah_fRate", s.AutoWah.fRate);
    real("AutoWah_fRange", s.AutoWah.fRange);
    real("AutoWah_fFreq", s.AutoWah.fFreq);
    integer("Chorus_Enable", s.ChorusEnable);
    real("Chorus_fDryMix", s.Chorus.fDryMix);
    real("Chorus_fWetMix", s.Chorus.fWetMix);
    real("Chorus_fFeedback", s.Chorus.fFeedback);
    real("Chorus_fMinSweep", s.Chorus.fMinSweep);
    real("Chorus_fMaxSweep", s.Chorus.fMaxSweep);
    real("Chorus_fRate", s.Chorus.fRate);
    integer("Echo2_Enable", s.Echo2Enable);
    real("Echo2_fFeedback", s.Echo2.fFeedback);
    real("Echo2_fDelay", s.Echo2.fDelay);
    real("Echo2_fDryMix", s.Echo2.fDryMix);
    real("Echo2_fWetMix", s.Echo2.fWetMix);
    integer("RVB_Enable", s.ReverbEnable);
    integer("RVB_lDelay", s.Reverb.lDelay);
    real("RVB_fLevel", s.Reverb.fLevel);
  }
  return out;
}

bool SaveEffectSets() {
  // Sets never loaded would write nine empty groups over the user's file.
  if (g_sets.size() < 2) return false;
  return fileutil::WriteFileAtomic(EffectSetsFilePath(), EffectSetsFileText(Today())) != 0;
}

std::string ApplyPreset(int index, AllPassParams* record, ListModel* list) {
  return Preset_(kAPFPresets, index, record, list, [](const APFPreset& p, AllPassParams& r) {
    r.fGain = p.fGain;
    r.fDelay = p.fDelay;
  });
}

std::string ApplyPreset(int index, AutoWahParams* record, ListModel* list) {
  return Preset_(kAutoWahPresets, index, record, list, [](const AutoWahPreset& p, AutoWahParams& r) {
    r.fDryMix = p.fDryMix;
    r.fWetMix = p.fWetMix;
    r.fFeedback = p.fFeedback;
    r.fRate = p.fRate;
    r.fRange = p.fRange;
    r.fFreq = p.fFreq;
  });
}

std::string ApplyPreset(int index, ChorusParams* record, ListModel* list) {
  return Preset_(kChorusPresets, index, record, list, [](const ChorusPreset& p, ChorusParams& r) {
    r.fDryMix = p.fDryMix;
    r.fWetMix = p.fWetMix;
    r.fFeedback = p.fFeedback;
    r.fMinSweep = p.fMinSweep;
    r.fMaxSweep = p.fMaxSweep;
    r.fRate = p.fRate;
  });
}

std::string ApplyPreset(int index, EchoParams* record, ListModel* list) {
  return Preset_(kEchoPresets, index, record, list, [](const EchoPreset& p, EchoParams& r) {
    r.fDryMix = p.fDryMix;
    r.fWetMix = p.fWetMix;
    r.fFeedback = p.fFeedback;
    r.fDelay = p.fDelay;
  });
}

void UpdateEffectMenus() {
  Shell& shell = TheShell();
  for (int i = 0; i < kEffectSetCount; ++i) {
    std::string name = i < static_cast<int>(g_sets.size()) ? g_sets[static_cast<size_t>(i)].Name
                                                            : Lang("Menu\\Effects.Number", std::to_string(i));
    for (int base : {kOutputEffectBase, kMonitorEffectBase}) {
      int32_t code = GetMWNumber(base + i);
      shell.SetMenuItemText(base + i, code != 0 ? name + "\t" + KeyName(code) : name);
    }
    if (i >= 1) shell.SetMenuItemText(kEffectsConfigBase + i, name);
  }
  // The no-effect set has nothing to edit: greyed, rather than an item that silently does nothing.
  shell.SetMenuItemEnabled(kEffectsConfigBase, false);
}

void ResetEffectSets() {
  g_sets.clear();
  g_current = -1;
  g_flags = 1;
}
