// Small building blocks shared by the effects: denormal flushing, click-free parameter ramps,
// a fixed-size stereo delay line and the channel mask test.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define ALIB_DSP_HAVE_SSE 1
#endif

namespace alib::dsp {

// Feedback loops decaying towards zero end in denormals, which are a hundred times slower on
// most processors. Every Process call runs with flush-to-zero on and puts the caller's mode back.
class DenormalGuard {
 public:
  DenormalGuard() {
#ifdef ALIB_DSP_HAVE_SSE
    saved_ = _mm_getcsr();
    _mm_setcsr(saved_ | 0x8040);  // FTZ | DAZ
#elif defined(__aarch64__)
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(saved_));
    uint64_t fz = saved_ | (1ull << 24);
    __asm__ __volatile__("msr fpcr, %0" : : "r"(fz));
#endif
  }
  ~DenormalGuard() {
#ifdef ALIB_DSP_HAVE_SSE
    _mm_setcsr(saved_);
#elif defined(__aarch64__)
    __asm__ __volatile__("msr fpcr, %0" : : "r"(saved_));
#endif
  }
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

 private:
#ifdef ALIB_DSP_HAVE_SSE
  unsigned saved_ = 0;
#else
  uint64_t saved_ = 0;
#endif
};

// Time over which a changed level or coefficient glides to its new value.
inline constexpr double kRampSeconds = 0.02;

inline int RampFrames(int sampleRate) { return std::max(1, static_cast<int>(sampleRate * kRampSeconds)); }

// A value that moves linearly to a new target over a fixed number of frames.
struct Ramp {
  float value = 0.0f;
  float target = 0.0f;
  float step = 0.0f;
  int remaining = 0;

  void Jump(float v) {
    value = target = v;
    step = 0.0f;
    remaining = 0;
  }
  void Set(float v, int frames) {
    if (v == target && remaining == 0) return;
    target = v;
    remaining = std::max(1, frames);
    step = (target - value) / static_cast<float>(remaining);
  }
  float Next() {
    if (remaining > 0) {
      value += step;
      if (--remaining == 0) value = target;
    }
    return value;
  }
  bool Moving() const { return remaining > 0; }
};

inline float Clampf(float v, float lo, float hi) { return std::min(hi, std::max(lo, v)); }
inline bool AllFinite(std::initializer_list<float> values) {
  for (float v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// The dry, wet and feedback levels of the effects that feed a delayed or filtered signal back,
// each gliding to its target. The feedback stays inside maxLoopGain so a steady input cannot
// pile up without end.
struct MixLevels {
  Ramp dry, wet, feedback;

  // Clamps the record's levels in place and glides to them.
  template <class P>
  void Take(P& p, float maxLoopGain, int frames) {
    p.fDryMix = Clampf(p.fDryMix, -2.0f, 2.0f);
    p.fWetMix = Clampf(p.fWetMix, -2.0f, 2.0f);
    p.fFeedback = Clampf(p.fFeedback, -1.0f, 1.0f);
    dry.Set(p.fDryMix, frames);
    wet.Set(p.fWetMix, frames);
    feedback.Set(Clampf(p.fFeedback, -maxLoopGain, maxLoopGain), frames);
  }
  // One frame: out of the line comes delayed, into it goes the input plus the fed-back delayed
  // signal (into), and the channels the effect works on become dry input plus wet delayed signal.
  void Frame(float* f, const float delayed[2], const bool on[2], float into[2]) {
    const float d = dry.Next(), w = wet.Next(), fb = feedback.Next();
    for (int ch = 0; ch < 2; ++ch) {
      into[ch] = f[ch] + fb * delayed[ch];
      if (on[ch]) f[ch] = d * f[ch] + w * delayed[ch];
    }
  }
  void Jump() {
    dry.Jump(dry.target);
    wet.Jump(wet.target);
    feedback.Jump(feedback.target);
  }
};

// lChannel is a mask: bit 0 the left (first) channel, bit 1 the right one; -1 means all.
inline bool ChannelOn(int32_t mask, int ch) { return mask == -1 || (mask & (1 << ch)) != 0; }

// Stereo ring buffer sized once at construction, so the device thread never allocates.
class StereoDelay {
 public:
  void Allocate(size_t frames) {
    size_ = 1;
    while (size_ < frames + 4) size_ <<= 1;
    buf_.assign(size_ * 2, 0.0f);
    pos_ = 0;
  }
  void Clear() {
    std::fill(buf_.begin(), buf_.end(), 0.0f);
    pos_ = 0;
  }
  size_t Capacity() const { return size_ - 4; }
  void Write(float l, float r) {
    buf_[pos_ * 2] = l;
    buf_[pos_ * 2 + 1] = r;
    pos_ = (pos_ + 1) & (size_ - 1);
  }
  // The frame written delay frames before the next write (delay 1 = the last one written).
  float Tap(size_t delay, int ch) const { return buf_[((pos_ - delay) & (size_ - 1)) * 2 + ch]; }
  // Fractional delay by cubic (Catmull-Rom) interpolation, for modulated taps.
  float TapFrac(double delay, int ch) const {
    size_t d = static_cast<size_t>(delay);
    float f = static_cast<float>(delay - static_cast<double>(d));
    float xm1 = Tap(d == 0 ? 0 : d - 1, ch), x0 = Tap(d, ch), x1 = Tap(d + 1, ch), x2 = Tap(d + 2, ch);
    float c1 = 0.5f * (x1 - xm1);
    float c2 = xm1 - 2.5f * x0 + 2.0f * x1 - 0.5f * x2;
    float c3 = 0.5f * (x2 - xm1) + 1.5f * (x0 - x1);
    return ((c3 * f + c2) * f + c1) * f + x0;
  }

 private:
  std::vector<float> buf_;
  size_t size_ = 1;
  size_t pos_ = 0;
};

// A delay tap that moves to a new length by crossfading old and new taps, so a changed delay
// never jumps.
struct CrossTap {
  size_t from = 1, to = 1;
  int remaining = 0, length = 1;

  void Jump(size_t d) {
    from = to = d;
    remaining = 0;
  }
  void Set(size_t d, int frames) {
    if (d == to) return;
    // A change during a running fade restarts it from where that fade was heading.
    from = to;
    to = d;
    length = remaining = std::max(1, frames);
  }
  float Read(const StereoDelay& line, int ch) const {
    if (remaining == 0) return line.Tap(to, ch);
    float w = 1.0f - static_cast<float>(remaining) / static_cast<float>(length);
    return line.Tap(from, ch) * (1.0f - w) + line.Tap(to, ch) * w;
  }
  void Advance() {
    if (remaining > 0 && --remaining == 0) from = to;
  }
};

}  // namespace alib::dsp
