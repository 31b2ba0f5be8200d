// Feedback echo: out = dry x + wet d, where d is the input delayed, fed back with the feedback
// factor (a negative factor inverts each repeat).
#pragma once
#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class Echo final : public EffectWith<EchoParams> {
 public:
  static constexpr float kMaxDelaySeconds = 5.0f;
  explicit Echo(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;

 private:
  int sampleRate_;
  bool Apply(EchoParams p) override;
  StereoDelay line_;
  CrossTap tap_;
  MixLevels mix_;
};

}  // namespace alib::dsp
