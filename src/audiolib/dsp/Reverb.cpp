#include "audiolib/dsp/Reverb.h"

#include <algorithm>
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

bool Reverb::Apply(ReverbParams p) {
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
  // Control-rate pieces: within one the comb feedbacks are constant and no line is shorter than
  // a piece, so each line runs over the piece as plain loops the compiler vectorises. The
  // arithmetic per sample is the same as frame by frame.
  float in[kControlFrames], level[kControlFrames], acc[kControlFrames];
  for (size_t done = 0; done < count;) {
    if (controlLeft_ == 0) {
      for (int ch = 0; ch < 2; ++ch) {
        for (int c = 0; c < kCombs; ++c) feedback_[ch][c] = combs_[ch][c].feedback.Next();
      }
      controlLeft_ = kControlFrames;
    }
    const size_t n = std::min(count - done, static_cast<size_t>(controlLeft_));
    controlLeft_ -= static_cast<int>(n);
    float* f = frames + done * 2;
    done += n;
    // Damping inside the loops would shorten the stated reverberation time by 10 to 15 %; the
    // tail is darkened by filtering what goes in instead.
    for (size_t j = 0; j < n; ++j) {
      tone_ += toneCoef_ * ((f[j * 2] + f[j * 2 + 1]) * kInputGain - tone_);
      in[j] = tone_;
      level[j] = level_.Next() * kWetScale;
    }
    for (int ch = 0; ch < 2; ++ch) {
      std::fill(acc, acc + n, 0.0f);
      for (int c = 0; c < kCombs; ++c) {
        Comb& cb = combs_[ch][c];
        const float fb = feedback_[ch][c];
        for (size_t j = 0; j < n;) {
          const size_t run = std::min(n - j, cb.buf.size() - cb.pos);
          float* __restrict b = cb.buf.data() + cb.pos;
          const float* __restrict x = in + j;
          float* __restrict a = acc + j;
          for (size_t k = 0; k < run; ++k) {
            const float out = b[k];
            b[k] = x[k] + out * fb;
            a[k] += out;
          }
          cb.pos += run;
          if (cb.pos == cb.buf.size()) cb.pos = 0;
          j += run;
        }
      }
      for (int ap = 0; ap < kAllPasses; ++ap) {
        AllPassLine& line = allPasses_[ch][ap];
        for (size_t j = 0; j < n;) {
          const size_t run = std::min(n - j, line.buf.size() - line.pos);
          float* __restrict b = line.buf.data() + line.pos;
          float* __restrict a = acc + j;
          for (size_t k = 0; k < run; ++k) {
            const float delayed = b[k];
            b[k] = a[k] + delayed * kAllPassFeedback;
            a[k] = delayed - a[k];
          }
          line.pos += run;
          if (line.pos == line.buf.size()) line.pos = 0;
          j += run;
        }
      }
      for (size_t j = 0; j < n; ++j) f[j * 2 + ch] += level[j] * acc[j];
    }
  }
}

}  // namespace alib::dsp
