// Chorus and flanger: a delay line whose length travels back and forth between the minimum and
// maximum sweep at a fixed speed (milliseconds of delay per second), with feedback.
#pragma once
#include "audiolib/dsp/DspUtil.h"
#include "audiolib/dsp/Effect.h"

namespace alib::dsp {

class Chorus final : public EffectWith<ChorusParams> {
 public:
  static constexpr float kMaxSweepMs = 1000.0f;
  explicit Chorus(int sampleRate);
  void Process(float* frames, size_t count) override;
  void Reset() override;
  double CurrentDelayMs() const { return delay_ * 1000.0 / sampleRate_; }

 private:
  int sampleRate_;
  bool Apply(ChorusParams p) override;
  StereoDelay line_;
  double delay_ = 2.0;  // frames
  double minDelay_ = 2.0, maxDelay_ = 2.0, speed_ = 0.0;
  int direction_ = 1;
  // A changed range that leaves the current delay outside it: fade from the old tap.
  double fadeFrom_ = 0.0;
  int fadeRemaining_ = 0, fadeLength_ = 1;
  MixLevels mix_;
};

}  // namespace alib::dsp
