// Auto-wah: a four-stage phaser with feedback whose notch an oscillator sweeps from the base
// frequency up over the range in octaves and back, fRate times a second.
#pragma once
#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class AutoWah final : public EffectWith<AutoWahParams> {
 public:
  explicit AutoWah(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;
  // The frequency the notch sits at now (where the four stages turn the phase by half a cycle).
  double NotchHz() const;

 private:
  friend struct AutoWahKernel;
  static constexpr int kStages = 4;
  static constexpr int kControlFrames = 16;
  float Coefficient() const;

  int sampleRate_;
  bool Apply(AutoWahParams p) override;
  double phase_ = 0.0;  // of the sweep, 0..1
  int controlLeft_ = 0;
  float coef_ = 0.0f;
  float state_[2][kStages] = {};
  float last_[2] = {0, 0};
  MixLevels mix_;
  Ramp base_, range_;
};

}  // namespace alib::dsp
