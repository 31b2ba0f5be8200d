// Reverb: eight feedback combs into four all-passes per channel, the right channel's
// lines a little longer for stereo width. Each comb's feedback is chosen so that the tail falls
// by 60 dB after the reverberation time. out = x + level * wet.
#pragma once
#include <array>
#include <vector>

#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class Reverb final : public EffectWith<ReverbParams> {
 public:
  static constexpr int kCombs = 8;
  static constexpr int kAllPasses = 4;
  explicit Reverb(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;

 private:
  struct Comb {
    std::vector<float> buf;
    size_t pos = 0;
    Ramp feedback;
  };
  struct AllPassLine {
    std::vector<float> buf;
    size_t pos = 0;
  };
  static constexpr int kControlFrames = 64;
  // Empties the lines without touching the parameters (at level 0 the old tail must not return).
  void ClearLines();

  int sampleRate_;
  bool Apply(ReverbParams p) override;
  std::array<std::array<Comb, kCombs>, 2> combs_;
  std::array<std::array<AllPassLine, kAllPasses>, 2> allPasses_;
  Ramp level_;
  bool cleared_ = false;
  float tone_ = 0.0f;  // one-pole low-pass state of the input
  float toneCoef_ = 1.0f;
  int controlLeft_ = 0;
  float feedback_[2][kCombs] = {};
};

}  // namespace alib::dsp
