#include "access/Sliders.h"

#include <algorithm>
#include <cmath>

namespace {
bool Movable(const SliderControl& c) { return c.kind == SliderControl::Slider || c.kind == SliderControl::Spin; }

// The control keeps its value inside its range, as the toolkit's controls do.
void Set(SliderControl& c, long long v) {
  long long lo = std::min(c.minimum, c.maximum), hi = std::max(c.minimum, c.maximum);
  c.value = static_cast<int>(std::clamp(v, lo, hi));
}

long long Step(const SliderControl& c) {
  return std::llround((static_cast<double>(c.maximum) - static_cast<double>(c.minimum)) * 0.1);
}
}  // namespace

void SliderStepDown(SliderControl& c) {
  if (Movable(c)) Set(c, static_cast<long long>(c.value) - Step(c));
}

void SliderStepUp(SliderControl& c) {
  if (Movable(c)) Set(c, static_cast<long long>(c.value) + Step(c));
}

void SliderReset(SliderControl& c) {
  if (Movable(c)) Set(c, c.data);
}

void SliderRemember(SliderControl& c) {
  if (Movable(c)) c.data = c.value;
}
