#include "effects/EffectHooks.h"

#include "app/AppHooks.h"
#include "effects/EffectSets.h"

namespace {

constexpr int kEffectsConfigFirst = 283;

EffectTargets& Targets() {
  static EffectTargets t;
  return t;
}

std::function<void(int)>& Opener() {
  static std::function<void(int)> o;
  return o;
}

}  // namespace

void SetEffectTargets(EffectTargets targets) { Targets() = std::move(targets); }
void SetEffectsWindowOpener(std::function<void(int set)> opener) { Opener() = std::move(opener); }

void ApplyDeviceEffect(int device) {
  if (!Targets()) return;
  auto [channel, list] = Targets()(device);
  if (channel == 0 || list == nullptr) return;
  ApplyEffectSetByIndex(channel, *list, device == kEffectDeviceOutput ? OutputEffectIndex() : MonitorEffectIndex());
}

void ApplyEffectSetToDevice(int device, const EffectSet* set) {
  if (!Targets()) return;
  auto [channel, list] = Targets()(device);
  if (channel == 0 || list == nullptr) return;
  ApplyEffectSet(channel, *list, set);
}

bool EffectMenuCommand(int id) {
  if (id >= kOutputEffectBase && id < kOutputEffectBase + kEffectSetCount) {
    ChooseDeviceEffect(kOutputEffectBase, id, false, true);
    ApplyDeviceEffect(kEffectDeviceOutput);
    return true;
  }
  if (id >= kMonitorEffectBase && id < kMonitorEffectBase + kEffectSetCount) {
    ChooseDeviceEffect(kMonitorEffectBase, id, false, true);
    ApplyDeviceEffect(kEffectDeviceMonitor);
    return true;
  }
  if (id >= kEffectsConfigFirst && id < kEffectsConfigFirst + kEffectSetCount) {
    // The no-effect set has nothing to edit.
    if (id > kEffectsConfigFirst && Opener()) Opener()(id - kEffectsConfigFirst);
    return true;
  }
  return false;
}

void StartEffects() {
  LoadEffectSets();
  UpdateEffectMenus();
  ChooseDeviceEffect(kOutputEffectBase, kOutputEffectBase, true, false);
  ChooseDeviceEffect(kMonitorEffectBase, kMonitorEffectBase, true, false);
}

Feature EffectsFeature() {
  Feature f;
  f.start = StartEffects;
  f.menuCommand = EffectMenuCommand;
  return f;
}
