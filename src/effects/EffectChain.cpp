#include "effects/EffectChain.h"

#include "access/Speech.h"
#include "app/Shell.h"
#include "app/TextUtil.h"
#include "audio/AudioErrors.h"
#include "audiolib/AudioLib.h"
#include "effects/EffectSets.h"
#include "lang/Lang.h"

namespace {

int g_outputEffect = 0;
int g_monitorEffect = 0;

}  // namespace

uint32_t AttachEffect(uint32_t channel, int32_t type, AppliedEffectList& list, const std::string& caller) {
  uint32_t fx = alib::ChannelSetFX(channel, type, 0);
  LogBassError("- " + caller + ", BASS_ChannelSetFX((" + std::to_string(channel) + ")");
  if (fx != 0) {
    list.items.push_back({fx, type});
    list.current = static_cast<int>(list.items.size()) - 1;
  }
  return fx;
}

int HasEffect(int32_t type, AppliedEffectList& list) {
  for (size_t i = 0; i < list.items.size(); ++i) {
    if (list.items[i].type == type) {
      list.current = static_cast<int>(i);
      return 1;
    }
  }
  return 0;
}

void DetachEffect(uint32_t channel, int32_t type, AppliedEffectList& list, const std::string& caller) {
  for (size_t i = 0; i < list.items.size();) {
    if (list.items[i].type != type) {
      ++i;
      continue;
    }
    uint32_t fx = list.items[i].handle;
    alib::ChannelRemoveFX(channel, fx);
    LogBassError("- " + caller + ", BASS_ChannelRemoveFX(" + std::to_string(channel) + "," + std::to_string(fx) +
                 ") FX=" + std::to_string(type));
    list.items.erase(list.items.begin() + static_cast<long>(i));
    // The current mark may point at a removed or shifted element; HasEffect sets it again.
    list.current = -1;
  }
}

int ApplyEffect(uint32_t channel, AppliedEffectList& list, int32_t type, const void* params, const std::string& caller) {
  if (params == nullptr) {
    DetachEffect(channel, type, list, caller);
    return 0;
  }
  if (!HasEffect(type, list) && AttachEffect(channel, type, list, caller) == 0) return 0;
  uint32_t fx = list.items[static_cast<size_t>(list.current)].handle;
  bool ok = alib::FXSetParameters(fx, params);
  LogBassError("BASS_FXSetParameters((" + text::Hex(fx) + ", " + std::to_string(reinterpret_cast<uintptr_t>(params)) +
               ") For " + caller);
  return ok ? 0 : 1;
}

void ApplyEffectSet(uint32_t channel, AppliedEffectList& list, const EffectSet* set) {
  if (channel == 0) return;
  // The records are applied from a copy: the set itself stays as the user made it.
  EffectSet s;
  if (set) s = *set;
  s.APF.lChannel = s.AutoWah.lChannel = s.Chorus.lChannel = s.Echo2.lChannel = alib::dsp::kAllChannels;
  ApplyEffect(channel, list, alib::kFxAllPass, set && s.APFEnable ? &s.APF : nullptr, "APF");
  ApplyEffect(channel, list, alib::kFxAutoWah, set && s.AutoWahEnable ? &s.AutoWah : nullptr, "AutoWah");
  ApplyEffect(channel, list, alib::kFxChorus, set && s.ChorusEnable ? &s.Chorus : nullptr, "Chorus");
  ApplyEffect(channel, list, alib::kFxEcho, set && s.Echo2Enable ? &s.Echo2 : nullptr, "Echo2");
  ApplyEffect(channel, list, alib::kFxReverb, set && s.ReverbEnable ? &s.Reverb : nullptr, "Reverb");
}

void ApplyEffectSetByIndex(uint32_t channel, AppliedEffectList& list, int index) {
  if (SelectEffectSet(index)) ApplyEffectSet(channel, list, CurrentEffectSet());
}

void ChooseDeviceEffect(int base, int chosen, bool silent, bool toggle) {
  if (base != kOutputEffectBase && base != kMonitorEffectBase) return;
  if (chosen < base || chosen >= base + kEffectSetCount) return;
  Shell& shell = TheShell();
  bool checked = !(toggle && shell.IsMenuItemChecked(chosen));
  int item = (!checked || chosen == base) ? base : chosen;
  for (int i = 0; i < kEffectSetCount; ++i) shell.SetMenuItemChecked(base + i, false);
  shell.SetMenuItemChecked(item, true);
  std::string text = shell.GetMenuItemText(item);
  size_t tab = text.find('\t');
  if (tab != std::string::npos) text.erase(tab);
  std::string context;
  if (base == kOutputEffectBase) {
    g_outputEffect = item - base;
    context = Lang("Say.EffectOnOutput");
  } else {
    g_monitorEffect = item - base;
    context = Lang("Say.EffectOnMonitor");
  }
  if (!silent) Speak(text, context);
}

int OutputEffectIndex() { return g_outputEffect; }
int MonitorEffectIndex() { return g_monitorEffect; }

std::string EffectSetName(int index) {
  if (index == 0) return Lang("Effect\\Name.NoEffect");
  const auto& sets = EffectSets();
  if (index > 0 && index < static_cast<int>(sets.size())) return sets[static_cast<size_t>(index)].Name;
  return Lang("Menu\\Effects.Number", std::to_string(index));
}

void ResetDeviceEffects() {
  g_outputEffect = 0;
  g_monitorEffect = 0;
}
