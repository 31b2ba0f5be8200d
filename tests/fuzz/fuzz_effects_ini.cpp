// The effect-set file: read, written, read back to the same text.
#include <cstdlib>

#include "FuzzSupport.h"
#include "app/AppState.h"
#include "app/EventLog.h"
#include "effects/EffectChain.h"
#include "effects/EffectSets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetAppState();
  ResetEffectSets();
  ResetLog();
  App.PrefPath = fuzz::Scratch();
  fuzz::WriteInput("Effects.ini", data, size);
  LoadEffectSets();
  const std::string first = EffectSetsFileText("01/01/2000");
  fuzz::WriteInput("Effects.ini", reinterpret_cast<const uint8_t*>(first.data()), first.size());
  ResetEffectSets();
  LoadEffectSets();
  if (EffectSetsFileText("01/01/2000") != first) std::abort();
  return 0;
}
