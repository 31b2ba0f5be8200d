// The effects attached to a playing channel, the effect sets applied to the Output and the
// Monitor, and the Output's equaliser and compressor carried by the same chain.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "effects/EffectSets.h"

// One attached effect: the handle the audio library returned and the type it was made with.
struct AppliedEffect {
  uint32_t handle = 0;
  int32_t type = 0;
};
// The applied-effect list of one player record (Output, fading, Monitor). Emptied when the
// player frees its channel; a new channel starts empty.
struct AppliedEffectList {
  std::vector<AppliedEffect> items;
  int current = -1;  // the element HasEffect found or AttachEffect added
  void Clear() {
    items.clear();
    current = -1;
  }
};

// Caller names carried by the log lines.
uint32_t AttachEffect(uint32_t channel, int32_t type, AppliedEffectList& list, const std::string& caller);
int HasEffect(int32_t type, AppliedEffectList& list);
void DetachEffect(uint32_t channel, int32_t type, AppliedEffectList& list, const std::string& caller);
// With params: attach if needed and set them (1 when setting failed); without (null): detach.
int ApplyEffect(uint32_t channel, AppliedEffectList& list, int32_t type, const void* params, const std::string& caller);

// Applies the five records of a set (null: detaches all five). Channel 0 does nothing.
void ApplyEffectSet(uint32_t channel, AppliedEffectList& list, const EffectSet* set);
void ApplyEffectSetByIndex(uint32_t channel, AppliedEffectList& list, int index);

// Menu handling of the commands that assign a set (kOutputEffectBase, kMonitorEffectBase).
void ChooseDeviceEffect(int base, int chosen, bool silent, bool toggle);
// The effect set assigned to each device (0 = no effect; not saved).
int OutputEffectIndex();
int MonitorEffectIndex();
// Both devices back to the no-effect set (tests).
void ResetDeviceEffects();
// The name of a set for the status texts; set 0 is "Effect\Name.NoEffect".
std::string EffectSetName(int index);

// The Output's equaliser and compressor, from their setting texts.
void ApplyEqualizer(uint32_t channel, AppliedEffectList& list, const std::string& text);
void ApplyCompressor(uint32_t channel, AppliedEffectList& list, const std::string& text);
