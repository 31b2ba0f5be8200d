#include "audiolib/dsp/Compressor.h"

#include <cmath>

namespace alib::dsp {

namespace {
constexpr double kMaxHoldSeconds = 0.02;
}

Compressor::Compressor(int sampleRate) : sampleRate_(sampleRate) {
  size_t cap = 1;
  while (cap < static_cast<size_t>(kMaxHoldSeconds * sampleRate) + 2) cap <<= 1;
  qValue_.assign(cap, 0.0f);
  qFrame_.assign(cap, 0);
  SetParameters(&params_);
  gainDb_.Jump(params_.fGain);
}

bool Compressor::SetParameters(const void* params) {
  if (params == nullptr) return false;
  CompressorParams p = *static_cast<const CompressorParams*>(params);
  if (!AllFinite({p.fGain, p.fThreshold, p.fRatio, p.fAttack, p.fRelease})) return false;
  p.fGain = Clampf(p.fGain, -60.0f, 60.0f);
  p.fThreshold = Clampf(p.fThreshold, -60.0f, 0.0f);
  p.fRatio = Clampf(p.fRatio, 1.0f, 100.0f);
  p.fAttack = Clampf(p.fAttack, 0.01f, 1000.0f);
  p.fRelease = Clampf(p.fRelease, 0.01f, 5000.0f);
  params_ = p;
  // One-pole time constants: after the attack (release) time 63 % of a step is reached.
  attackCoef_ = static_cast<float>(std::exp(-1000.0 / (p.fAttack * sampleRate_)));
  releaseCoef_ = static_cast<float>(std::exp(-1000.0 / (p.fRelease * sampleRate_)));
  slope_ = 1.0f - 1.0f / p.fRatio;
  // A tenth of the release at most, so the hold adds little to the release time.
  double hold = std::min(kMaxHoldSeconds, p.fRelease / 1000.0 * 0.1);
  holdFrames_ = std::max<size_t>(1, static_cast<size_t>(hold * sampleRate_));
  gainDb_.Set(p.fGain, RampFrames(sampleRate_));
  return true;
}

void Compressor::GetParameters(void* params) const {
  if (params != nullptr) *static_cast<CompressorParams*>(params) = params_;
}

float Compressor::PeakHold(float v) {
  const size_t mask = qValue_.size() - 1;  // the size is a power of two
  // Drop older entries that are not larger than the new one, then those that left the window.
  while (qSize_ > 0 && qValue_[(qHead_ + qSize_ - 1) & mask] <= v) --qSize_;
  qValue_[(qHead_ + qSize_) & mask] = v;
  qFrame_[(qHead_ + qSize_) & mask] = frame_;
  ++qSize_;
  while (qFrame_[qHead_] + holdFrames_ <= frame_) {
    qHead_ = (qHead_ + 1) & mask;
    --qSize_;
  }
  ++frame_;
  return qValue_[qHead_];
}

void Compressor::Reset() {
  reduction_ = 0.0f;
  qSize_ = 0;
  gainDb_.Jump(params_.fGain);
}

void Compressor::Process(float* frames, size_t count) {
  DenormalGuard guard;
  const bool onL = ChannelOn(params_.lChannel, 0), onR = ChannelOn(params_.lChannel, 1);
  if (!onL && !onR) return;
  const float thr = params_.fThreshold;
  float red = reduction_;
  float lastPeak = -1.0f, want = 0.0f;
  float lastDb = 1e9f, lastGain = 1.0f;
  for (size_t i = 0; i < count; ++i) {
    float* f = frames + i * 2;
    float peak = PeakHold(std::max(onL ? std::fabs(f[0]) : 0.0f, onR ? std::fabs(f[1]) : 0.0f));
    // The held peak stays put for many frames: the logarithm only when it moves.
    if (peak != lastPeak) {
      lastPeak = peak;
      float level = 20.0f * std::log10(std::max(peak, 1e-9f));
      want = level > thr ? (level - thr) * slope_ : 0.0f;
    }
    float coef = want > red ? attackCoef_ : releaseCoef_;
    red = want + (red - want) * coef;
    float db = gainDb_.Next() - red;
    if (db != lastDb) {
      lastDb = db;
      lastGain = std::exp2(db * 0.166096404744f);  // 10^(db/20)
    }
    if (onL) f[0] *= lastGain;
    if (onR) f[1] *= lastGain;
  }
  reduction_ = red;
}

}  // namespace alib::dsp
