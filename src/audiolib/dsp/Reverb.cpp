#include "audiolib/dsp/Reverb.h"

#include <cmath>

namespace alib::dsp {

namespace {
// Line lengths in frames at 44100 Hz, mutually prime so the echoes do not pile up.
constexpr int kCombTuning[Reverb::kCombs] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassTuning[Reverb::kAllPasses] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kInputGain = 0.015f;
constexpr float kWetScale = 3.0f;
constexpr float kAllPassFeedback = 0.5f;
constexpr double kToneHz = 5000.0;  // corner of the low-pass on the way in
}  // namespace

Reverb::Reverb(int sampleRate) : sampleRate_(sampleRate) {
  toneCoef_ = static_cast<float>(1.0 - std::exp(-2.0 * 3.141592653589793 * kToneHz / sampleRate));
  const double scale = sampleRate / 44100.0;
  for (int ch = 0; ch < 2; ++ch) {
    for (int i = 0; i < kCombs; ++i) {
      size_t len = static_cast<size_t>(std::lround((kCombTuning[i] + ch * kStereoSpread) * scale));
      combs_[ch][i].buf.assign(std::max<size_t>(1, len), 0.0f);
    }
    for (int i = 0; i < kAllPasses; ++i) {
      size_t len = static_cast<size_t>(std::lround((kAllPassTuning[i] + ch * kStereoSpread) * scale));
      allPasses_[ch][i].buf.assign(std::max<size_t>(1, len), 0.0f);
    }
  }
  SetParameters(&params_);
  Reset();
}

bool Reverb::SetParameters(const void* params) {
  if (params == nullptr) return false;
  ReverbParams p = *static_cast<const ReverbParams*>(params);
  if (!std::isfinite(p.fLevel)) return false;
  p.fLevel = Clampf(p.fLevel, 0.0f, 5.0f);
  p.lDelay = std::clamp<int32_t>(p.lDelay, 1200, 10000);
  params_ = p;
  const int ramp = RampFrames(sampleRate_);
  level_.Set(p.fLevel, ramp);
  const double t60 = p.lDelay / 1000.0;
  for (auto& side : combs_) {
    for (Comb& c : side) {
      // A loop of L frames passes t60 * rate / L times in t60 seconds: -60 dB in all.
      double g = std::pow(10.0, -3.0 * static_cast<double>(c.buf.size()) / (t60 * sampleRate_));
      c.feedback.Set(static_cast<float>(g), std::max(1, ramp / kControlFrames));
    }
  }
  return true;
}

void Reverb::GetParameters(void* params) const {
  if (params != nullptr) *static_cast<ReverbParams*>(params) = params_;
}

void Reverb::Reset() {
  ClearLines();
  controlLeft_ = 0;
  for (auto& side : combs_) {
    for (Comb& c : side) c.feedback.Jump(c.feedback.target);
  }
  level_.Jump(level_.target);
}

void Reverb::ClearLines() {
  for (auto& side : combs_) {
    for (Comb& c : side) {
      std::fill(c.buf.begin(), c.buf.end(), 0.0f);
      c.pos = 0;
    }
  }
  for (auto& side : allPasses_) {
    for (AllPassLine& a : side) {
      std::fill(a.buf.begin(), a.buf.end(), 0.0f);
      a.pos = 0;
    }
  }
  tone_ = 0.0f;
  cleared_ = true;
}

void Reverb::Process(float* frames, size_t count) {
  DenormalGuard guard;
  // Level 0 is exact pass-through, and costs nothing; the tail is dropped as the level reaches 0.
  if (level_.target == 0.0f && !level_.Moving()) {
    if (!cleared_) ClearLines();
    return;
  }
  cleared_ = false;
  for (size_t i = 0; i < count; ++i) {
    // Feedback glides are stepped every few frames, counted across calls.
    if (controlLeft_ == 0) {
      for (int ch = 0; ch < 2; ++ch) {
        for (int c = 0; c < kCombs; ++c) feedback_[ch][c] = combs_[ch][c].feedback.Next();
      }
      controlLeft_ = kControlFrames;
    }
    --controlLeft_;
    float* f = frames + i * 2;
    // Damping inside the loops would shorten the stated reverberation time by 10 to 15 %; the
    // tail is darkened by filtering what goes in instead.
    tone_ += toneCoef_ * ((f[0] + f[1]) * kInputGain - tone_);
    const float in = tone_;
    const float level = level_.Next() * kWetScale;
    for (int ch = 0; ch < 2; ++ch) {
      float acc = 0.0f;
      for (int c = 0; c < kCombs; ++c) {
        Comb& cb = combs_[ch][c];
        float out = cb.buf[cb.pos];
        cb.buf[cb.pos] = in + out * feedback_[ch][c];
        if (++cb.pos == cb.buf.size()) cb.pos = 0;
        acc += out;
      }
      for (int a = 0; a < kAllPasses; ++a) {
        AllPassLine& ap = allPasses_[ch][a];
        float delayed = ap.buf[ap.pos];
        ap.buf[ap.pos] = acc + delayed * kAllPassFeedback;
        if (++ap.pos == ap.buf.size()) ap.pos = 0;
        acc = delayed - acc;
      }
      f[ch] += level * acc;
    }
  }
}

}  // namespace alib::dsp
