#include "audiolib/dsp/Compressor.h"

#include <algorithm>
#include <cmath>

namespace alib::dsp {

namespace {
constexpr double kMaxHoldSeconds = 0.02;
}

Compressor::Compressor(int sampleRate) : sampleRate_(sampleRate) {
  const size_t cap = static_cast<size_t>(kMaxHoldSeconds * std::max(1, sampleRate)) + 2;
  block_.assign(cap, 0.0f);
  suffix_.assign(cap + 1, 0.0f);
  SetParameters(&params_);
  gainDb_.Jump(params_.fGain);
}

bool Compressor::Apply(CompressorParams p) {
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
  const size_t frames = std::min(block_.size(), std::max<size_t>(1, static_cast<size_t>(hold * sampleRate_)));
  if (frames != holdFrames_) {
    // The windows are laid out anew; the peak held so far stays for one new window.
    holdFrames_ = frames;
    std::fill(suffix_.begin(), suffix_.begin() + static_cast<std::ptrdiff_t>(frames), held_);
    suffix_[frames] = 0.0f;
    blockPos_ = 0;
    prefix_ = 0.0f;
  }
  gainDb_.Set(p.fGain, RampFrames(sampleRate_));
  return true;
}

// Sliding maximum over fixed windows of holdFrames_ (van Herk / Gil-Werman): the window ending at
// frame j of the current block is the tail of the previous block from j + 1 on plus the current
// block up to j. A few operations per frame and no data-dependent branches.
float Compressor::PeakHold(float v) {
  block_[blockPos_] = v;
  prefix_ = std::max(prefix_, v);
  held_ = std::max(prefix_, suffix_[blockPos_ + 1]);
  if (++blockPos_ == holdFrames_) {
    float m = 0.0f;
    for (size_t j = holdFrames_; j-- > 0;) {
      m = std::max(m, block_[j]);
      suffix_[j] = m;
    }
    blockPos_ = 0;
    prefix_ = 0.0f;
  }
  return held_;
}

void Compressor::Reset() {
  reduction_ = 0.0f;
  std::fill(suffix_.begin(), suffix_.end(), 0.0f);
  blockPos_ = 0;
  prefix_ = held_ = 0.0f;
  gainDb_.Jump(params_.fGain);
}

namespace {

typedef float V4 __attribute__((vector_size(16)));
typedef int32_t I4 __attribute__((vector_size(16)));

// 10^(db/20) for a block: 2^n times a polynomial of the remaining fraction (within 2e-7 of
// the exact value; 0 dB gives exactly 1), four at a time. count is a multiple of 4.
void DbToGain(const float* db, float* gain, size_t count) {
  const V4 k = V4{} + 0.166096404744f;  // log2(10) / 20
  const V4 lo = V4{} - 126.0f, hi = V4{} + 126.0f;
  const V4 round = V4{} + 12582912.0f;  // 1.5 * 2^23: adding and taking it away rounds
  for (size_t i = 0; i < count; i += 4) {
    V4 x;
    __builtin_memcpy(&x, db + i, sizeof x);
    x *= k;
    x = x < lo ? lo : x;
    x = x > hi ? hi : x;
    const V4 n = (x + round) - round;
    const V4 f = x - n;
    V4 p = V4{} + 1.535336188319500e-4f;
    p = p * f + 1.339887440266574e-3f;
    p = p * f + 9.618437357674640e-3f;
    p = p * f + 5.550332471162809e-2f;
    p = p * f + 2.402264791363012e-1f;
    p = p * f + 6.931472028550421e-1f;
    p = p * f + 1.0f;
    const I4 e = (__builtin_convertvector(n, I4) + 127) << 23;
    const V4 g = p * reinterpret_cast<V4>(e);
    __builtin_memcpy(gain + i, &g, sizeof g);
  }
}

}  // namespace

void Compressor::Process(float* frames, size_t count) {
  DenormalGuard guard;
  const bool onL = ChannelOn(params_.lChannel, 0), onR = ChannelOn(params_.lChannel, 1);
  if (!onL && !onR) return;
  const float thr = params_.fThreshold;
  float red = reduction_;
  float lastPeak = -1.0f, want = 0.0f;
  // The detector and the smoothing run frame by frame; the decibels become gains a block at a
  // time, which vectorises.
  constexpr size_t kBlock = 256;
  alignas(16) float db[kBlock], gain[kBlock];
  for (size_t done = 0; done < count;) {
    const size_t n = std::min(kBlock, count - done);
    float* f = frames + done * 2;
    for (size_t i = 0; i < n; ++i) {
      float peak = PeakHold(std::max(onL ? std::fabs(f[i * 2]) : 0.0f, onR ? std::fabs(f[i * 2 + 1]) : 0.0f));
      // The held peak stays put for many frames: the logarithm only when it moves.
      if (peak != lastPeak) {
        lastPeak = peak;
        float level = 20.0f * std::log10(std::max(peak, 1e-9f));
        want = level > thr ? (level - thr) * slope_ : 0.0f;
      }
      float coef = want > red ? attackCoef_ : releaseCoef_;
      red = want + (red - want) * coef;
      db[i] = gainDb_.Next() - red;
    }
    const size_t padded = (n + 3) & ~static_cast<size_t>(3);
    for (size_t i = n; i < padded; ++i) db[i] = 0.0f;
    DbToGain(db, gain, padded);
    if (onL && onR) {
      for (size_t i = 0; i < n; ++i) {
        f[i * 2] *= gain[i];
        f[i * 2 + 1] *= gain[i];
      }
    } else {
      const int ch = onL ? 0 : 1;
      for (size_t i = 0; i < n; ++i) f[i * 2 + ch] *= gain[i];
    }
    done += n;
  }
  reduction_ = red;
}

}  // namespace alib::dsp
