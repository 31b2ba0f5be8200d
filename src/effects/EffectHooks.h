// Plugs the effect sets into the program: loading them at start-up and the menu commands
// that choose a device's set (293..312) or open the effects window (283..292).
#pragma once
#include <cstdint>
#include <functional>
#include <utility>

#include "app/AppHooks.h"
#include "effects/EffectChain.h"

inline constexpr int kEffectDeviceOutput = 0;
inline constexpr int kEffectDeviceMonitor = 1;

// The channel and applied-effect list now playing on a device (kEffectDeviceOutput or
// kEffectDeviceMonitor); channel 0 when nothing is loaded. The playback layer registers it.
using EffectTargets = std::function<std::pair<uint32_t, AppliedEffectList*>(int device)>;
void SetEffectTargets(EffectTargets targets);
// Applies the set assigned to the device to what it plays now (nothing when it plays nothing).
void ApplyDeviceEffect(int device);
// Puts a set that is not (yet) in the list on what the device plays: the effects window's test.
void ApplyEffectSetToDevice(int device, const EffectSet* set);

// The effects window for a user set 1..9; the UI registers it.
void SetEffectsWindowOpener(std::function<void(int set)> opener);

// The effect sets' share of the menu dispatch: true when it handled id.
bool EffectMenuCommand(int id);
// Start-up: loads the effect sets, names them in the menus and marks the no-effect set on
// both devices.
void StartEffects();
// Loads the effect sets at the audio start (StartEffects) and carries out their menu commands.
Feature EffectsFeature();
