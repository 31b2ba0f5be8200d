// Feed-forward compressor: stereo-linked peak detector, hard knee, attack and release smoothing
// of the gain reduction in decibels, then the output gain.
#pragma once
#include <vector>

#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class Compressor final : public EffectWith<CompressorParams> {
 public:
  explicit Compressor(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;
  float GainReductionDb() const { return reduction_; }

 private:
  // Largest |sample| of the last holdFrames_ frames.
  float PeakHold(float v);

  int sampleRate_;
  bool Apply(CompressorParams p) override;
  float attackCoef_ = 0, releaseCoef_ = 0, slope_ = 0;
  float reduction_ = 0;  // smoothed gain reduction, dB, >= 0
  Ramp gainDb_;
  // The detector holds a peak for up to 20 ms (a cycle of 50 Hz) so that a steady tone is seen
  // as steady and the release does not pull the gain back between its peaks.
  size_t holdFrames_ = 0;
  std::vector<float> block_;   // |sample| of the current window's frames so far
  std::vector<float> suffix_;  // maxima of the previous window from each frame to its end
  size_t blockPos_ = 0;
  float prefix_ = 0, held_ = 0;
};

}  // namespace alib::dsp
