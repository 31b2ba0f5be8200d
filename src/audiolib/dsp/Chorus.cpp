#include "audiolib/dsp/Chorus.h"

#include <cmath>

namespace alib::dsp {

namespace {
constexpr float kMaxLoopGain = 0.995f;
// The interpolator reads one frame on each side of the tap.
constexpr double kMinDelayFrames = 2.0;
}  // namespace

Chorus::Chorus(int sampleRate) : sampleRate_(sampleRate) {
  line_.Allocate(static_cast<size_t>(kMaxSweepMs / 1000.0f * sampleRate) + 8);
  // Until it is given parameters the effect lets the sound through unchanged.
  params_.fDryMix = 1.0f;
  SetParameters(&params_);
  Reset();
}

bool Chorus::Apply(ChorusParams p) {
  if (!AllFinite({p.fDryMix, p.fWetMix, p.fFeedback, p.fMinSweep, p.fMaxSweep, p.fRate})) return false;
  p.fMinSweep = Clampf(p.fMinSweep, 0.0f, kMaxSweepMs);
  p.fMaxSweep = Clampf(p.fMaxSweep, 0.0f, kMaxSweepMs);
  p.fRate = Clampf(p.fRate, 0.0f, 500.0f);
  mix_.Take(p, kMaxLoopGain, RampFrames(sampleRate_));
  params_ = p;
  double lo = std::min(p.fMinSweep, p.fMaxSweep) * sampleRate_ / 1000.0;
  double hi = std::max(p.fMinSweep, p.fMaxSweep) * sampleRate_ / 1000.0;
  minDelay_ = std::max(kMinDelayFrames, lo);
  maxDelay_ = std::max(minDelay_, hi);
  // fRate ms of delay per second of audio is fRate / 1000 frames of delay per frame.
  speed_ = p.fRate / 1000.0;
  if (delay_ < minDelay_ || delay_ > maxDelay_) {
    fadeFrom_ = delay_;
    fadeLength_ = fadeRemaining_ = RampFrames(sampleRate_);
    delay_ = std::clamp(delay_, minDelay_, maxDelay_);
  }
  return true;
}

void Chorus::Reset() {
  line_.Clear();
  delay_ = minDelay_;
  direction_ = 1;
  fadeRemaining_ = 0;
  mix_.Jump();
}

void Chorus::Process(float* frames, size_t count) {
  DenormalGuard guard;
  const bool on[2] = {ChannelOn(params_.lChannel, 0), ChannelOn(params_.lChannel, 1)};
  for (size_t i = 0; i < count; ++i) {
    float fade = 1.0f;
    if (fadeRemaining_ > 0) fade = 1.0f - static_cast<float>(fadeRemaining_--) / fadeLength_;
    float delayed[2];
    for (int ch = 0; ch < 2; ++ch) {
      delayed[ch] = line_.TapFrac(delay_, ch);
      if (fade < 1.0f) delayed[ch] = delayed[ch] * fade + line_.TapFrac(fadeFrom_, ch) * (1.0f - fade);
    }
    float into[2];
    mix_.Frame(frames + i * 2, delayed, on, into);
    line_.Write(into[0], into[1]);
    // Triangle sweep: travel at the set speed and turn round at either end.
    delay_ += direction_ * speed_;
    if (delay_ >= maxDelay_) {
      delay_ = maxDelay_ - (delay_ - maxDelay_);
      direction_ = -1;
      if (delay_ < minDelay_) delay_ = minDelay_;
    } else if (delay_ <= minDelay_) {
      delay_ = minDelay_ + (minDelay_ - delay_);
      direction_ = 1;
      if (delay_ > maxDelay_) delay_ = maxDelay_;
    }
  }
}

}  // namespace alib::dsp
