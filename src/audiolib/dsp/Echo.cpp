#include "audiolib/dsp/Echo.h"

#include <cmath>

namespace alib::dsp {

namespace {
// A feedback of exactly 1 would let a steady input pile up without end.
constexpr float kMaxLoopGain = 0.995f;
}

Echo::Echo(int sampleRate) : sampleRate_(sampleRate) {
  line_.Allocate(static_cast<size_t>(kMaxDelaySeconds * sampleRate) + 1);
  tap_.Jump(1);
  // Until it is given parameters the effect lets the sound through unchanged.
  params_.fDryMix = 1.0f;
  SetParameters(&params_);
  Reset();
}

bool Echo::Apply(EchoParams p) {
  if (!AllFinite({p.fDryMix, p.fWetMix, p.fFeedback, p.fDelay})) return false;
  p.fDelay = Clampf(p.fDelay, 0.0f, kMaxDelaySeconds);
  mix_.Take(p, kMaxLoopGain, RampFrames(sampleRate_));
  params_ = p;
  const int ramp = RampFrames(sampleRate_);
  size_t d = std::max<size_t>(1, static_cast<size_t>(std::lround(p.fDelay * sampleRate_)));
  tap_.Set(std::min(d, line_.Capacity()), ramp);
  return true;
}

void Echo::Reset() {
  line_.Clear();
  tap_.Jump(tap_.to);
  mix_.Jump();
}

void Echo::Process(float* frames, size_t count) {
  DenormalGuard guard;
  const bool on[2] = {ChannelOn(params_.lChannel, 0), ChannelOn(params_.lChannel, 1)};
  for (size_t i = 0; i < count; ++i) {
    const float delayed[2] = {tap_.Read(line_, 0), tap_.Read(line_, 1)};
    float into[2];
    mix_.Frame(frames + i * 2, delayed, on, into);
    line_.Write(into[0], into[1]);
    tap_.Advance();
  }
}

}  // namespace alib::dsp
