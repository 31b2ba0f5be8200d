#include "audiolib/dsp/AllPass.h"

#include <cmath>

namespace alib::dsp {

namespace {
// At |g| = 1 the recursion has a pole on the unit circle and its state grows without bound.
constexpr float kMaxLoopGain = 0.999f;
}

AllPass::AllPass(int sampleRate) : sampleRate_(sampleRate) {
  line_.Allocate(static_cast<size_t>(kMaxDelaySeconds * sampleRate) + 1);
  tap_.Jump(1);
  SetParameters(&params_);
  Reset();
}

bool AllPass::Apply(AllPassParams p) {
  if (!AllFinite({p.fGain, p.fDelay})) return false;
  p.fGain = Clampf(p.fGain, -1.0f, 1.0f);
  p.fDelay = Clampf(p.fDelay, 0.0f, kMaxDelaySeconds);
  params_ = p;
  // With no delay the filter is (1 - g) / (1 - g) = 1: the sound passes unchanged. The
  // recursion itself needs a delay to work through, so it is faded out instead.
  size_t d = static_cast<size_t>(std::lround(p.fDelay * sampleRate_));
  active_.Set(d == 0 ? 0.0f : 1.0f, RampFrames(sampleRate_));
  if (d > 0) tap_.Set(std::min(d, line_.Capacity()), RampFrames(sampleRate_));
  gain_.Set(Clampf(p.fGain, -kMaxLoopGain, kMaxLoopGain), RampFrames(sampleRate_));
  return true;
}

void AllPass::Reset() {
  line_.Clear();
  tap_.Jump(tap_.to);
  gain_.Jump(gain_.target);
  active_.Jump(active_.target);
}

void AllPass::Process(float* frames, size_t count) {
  DenormalGuard guard;
  if (active_.target == 0.0f && !active_.Moving()) {
    if (!cleared_) {
      line_.Clear();
      cleared_ = true;
    }
    return;
  }
  cleared_ = false;
  const bool on[2] = {ChannelOn(params_.lChannel, 0), ChannelOn(params_.lChannel, 1)};
  for (size_t i = 0; i < count; ++i) {
    float g = gain_.Next(), mix = active_.Next();
    float* f = frames + i * 2;
    float v[2];
    for (int ch = 0; ch < 2; ++ch) {
      float delayed = tap_.Read(line_, ch);
      v[ch] = f[ch] + g * delayed;
      float y = -g * v[ch] + delayed;
      if (on[ch]) f[ch] = mix == 1.0f ? y : f[ch] + mix * (y - f[ch]);
    }
    line_.Write(v[0], v[1]);
    tap_.Advance();
  }
}

}  // namespace alib::dsp
