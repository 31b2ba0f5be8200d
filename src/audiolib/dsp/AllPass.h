// Schroeder all-pass: y[n] = -g x[n] + x[n-D] + g y[n-D]. Flat magnitude, smeared phase.
#pragma once
#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class AllPass final : public EffectWith<AllPassParams> {
 public:
  static constexpr float kMaxDelaySeconds = 2.0f;
  explicit AllPass(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;

 private:
  int sampleRate_;
  bool Apply(AllPassParams p) override;
  StereoDelay line_;
  CrossTap tap_;
  Ramp gain_;
  Ramp active_;  // 1 filtering, 0 passing the sound through (no delay)
  bool cleared_ = false;
};

}  // namespace alib::dsp
