// How the effect sets reach the Output and the Monitor: the effects side asks for the stream
// and the applied-effect list of a device (0 Output, 1 Monitor) when it applies a set live.
#pragma once
#include <cstdint>
#include <functional>
#include <utility>

#include "effects/EffectChain.h"

void SetEffectTargets(std::function<std::pair<uint32_t, AppliedEffectList*>(int device)> targets);
