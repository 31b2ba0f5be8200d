#include "audiolib/dsp/AutoWah.h"

#include <cmath>
#include <numbers>

namespace alib::dsp {

namespace {
constexpr float kMaxLoopGain = 0.95f;
constexpr double kMinNotchHz = 10.0;
// A first-order all-pass stage shifts the phase by 2 atan(t / tc) with t = tan(pi f / rate);
// four stages reach half a cycle (the notch) where each one gives 45 degrees.
const double kTan22_5 = std::tan(std::numbers::pi / 8.0);
}  // namespace

AutoWah::AutoWah(int sampleRate) : sampleRate_(sampleRate) {
  // Until it is given parameters the effect lets the sound through unchanged.
  params_.fDryMix = 1.0f;
  params_.fFreq = 100.0f;
  SetParameters(&params_);
  Reset();
}

bool AutoWah::Apply(AutoWahParams p) {
  if (!AllFinite({p.fDryMix, p.fWetMix, p.fFeedback, p.fRate, p.fRange, p.fFreq})) return false;
  p.fRate = Clampf(p.fRate, 0.0f, 10.0f);
  p.fRange = Clampf(p.fRange, 0.0f, 10.0f);
  p.fFreq = Clampf(p.fFreq, 0.0f, 1000.0f);
  mix_.Take(p, kMaxLoopGain, RampFrames(sampleRate_));
  params_ = p;
  const int ramp = RampFrames(sampleRate_);
  base_.Set(p.fFreq, ramp);
  range_.Set(p.fRange, ramp);
  return true;
}

void AutoWah::Reset() {
  phase_ = 0.0;
  controlLeft_ = 0;
  for (auto& ch : state_) {
    for (float& s : ch) s = 0.0f;
  }
  last_[0] = last_[1] = 0.0f;
  mix_.Jump();
  base_.Jump(base_.target);
  range_.Jump(range_.target);
}

double AutoWah::NotchHz() const {
  double sweep = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * phase_);
  double f = std::max<double>(base_.value, kMinNotchHz) * std::exp2(range_.value * sweep);
  return std::min(f, 0.45 * sampleRate_);
}

float AutoWah::Coefficient() const {
  double tn = std::tan(std::numbers::pi * NotchHz() / sampleRate_);
  double tc = tn / kTan22_5;
  return static_cast<float>((tc - 1.0) / (tc + 1.0));
}

// The all-pass chain with its feedback is one long dependency from frame to frame, so the time it
// takes is the latency of its multiply-adds. Where the processor has fused multiply-add (one
// step instead of two) that version runs; the results differ only in rounding.
struct AutoWahKernel {
  template <bool kFused>
  static inline __attribute__((always_inline)) float Madd(float a, float b, float c) {
    if constexpr (kFused) {
      return __builtin_fmaf(a, b, c);
    } else {
      return a * b + c;
    }
  }

  template <bool kFused>
  static inline __attribute__((always_inline)) void Run(AutoWah& w, float* frames, size_t count) {
    const bool on[2] = {ChannelOn(w.params_.lChannel, 0), ChannelOn(w.params_.lChannel, 1)};
    const double phaseStep = w.params_.fRate / static_cast<double>(w.sampleRate_);
    for (size_t i = 0; i < count; ++i) {
      // The coefficient follows the sweep every few frames (the steps are far too small to
      // hear); the count runs on across calls so the sound does not depend on the block size.
      if (w.controlLeft_ == 0) {
        for (int k = 0; k < AutoWah::kControlFrames; ++k) {
          w.base_.Next();
          w.range_.Next();
        }
        w.coef_ = w.Coefficient();
        w.phase_ += phaseStep * AutoWah::kControlFrames;
        w.phase_ -= std::floor(w.phase_);
        w.controlLeft_ = AutoWah::kControlFrames;
      }
      --w.controlLeft_;
      const float a = w.coef_;
      float dry = w.mix_.dry.Next(), wet = w.mix_.wet.Next(), fb = w.mix_.feedback.Next();
      float* f = frames + i * 2;
      for (int ch = 0; ch < 2; ++ch) {
        float x = f[ch];
        float s = Madd<kFused>(fb, w.last_[ch], x);
        for (int st = 0; st < AutoWah::kStages; ++st) {
          float y = Madd<kFused>(a, s, w.state_[ch][st]);
          w.state_[ch][st] = Madd<kFused>(-a, y, s);
          s = y;
        }
        w.last_[ch] = s;
        if (on[ch]) f[ch] = dry * x + wet * s;
      }
    }
  }

  static void Plain(AutoWah& w, float* frames, size_t count) { Run<false>(w, frames, count); }
#if defined(__x86_64__)
  __attribute__((target("fma"))) static void Fused(AutoWah& w, float* frames, size_t count) {
    Run<true>(w, frames, count);
  }
  static bool HaveFused() {
    static const bool have = __builtin_cpu_supports("fma");
    return have;
  }
#endif
};

void AutoWah::Process(float* frames, size_t count) {
  DenormalGuard guard;
#if defined(__x86_64__)
  if (AutoWahKernel::HaveFused()) {
    AutoWahKernel::Fused(*this, frames, count);
    return;
  }
#endif
  AutoWahKernel::Plain(*this, frames, count);
}

}  // namespace alib::dsp
