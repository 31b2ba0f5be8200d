// Weak stand-ins for the effect sets, the equaliser, the compressor and the error names, so the
// player links and plays without effects; the effects library's own definitions take their place.
#include "audio/AudioErrors.h"
#include "audio/EffectsStandIn.h"
#include "app/EventLog.h"
#include "audiolib/AudioLib.h"

#define TONDRIAL_WEAK __attribute__((weak))

TONDRIAL_WEAK void ApplyEffectSetByIndex(uint32_t, AppliedEffectList&, int) {}
TONDRIAL_WEAK void ApplyEqualizer(uint32_t, AppliedEffectList&, const std::string&) {}
TONDRIAL_WEAK void ApplyCompressor(uint32_t, AppliedEffectList&, const std::string&) {}
TONDRIAL_WEAK int OutputEffectIndex() { return 0; }
TONDRIAL_WEAK int MonitorEffectIndex() { return 0; }
TONDRIAL_WEAK std::string EffectSetName(int) { return {}; }
TONDRIAL_WEAK void ChooseDeviceEffect(int, int, bool, bool) {}
TONDRIAL_WEAK bool LoadEffectSets() { return false; }
TONDRIAL_WEAK void SetEffectTargets(std::function<std::pair<uint32_t, AppliedEffectList*>(int device)>) {}

TONDRIAL_WEAK std::string BassErrorName(int code) { return "Error No " + std::to_string(code); }
TONDRIAL_WEAK void LogBassError(const std::string& context) {
  int code = alib::ErrorGetCode();
  if (code != 0) AddLog("! " + BassErrorName(code) + ". " + context);
}
