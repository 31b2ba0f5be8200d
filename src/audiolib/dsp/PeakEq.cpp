#include "audiolib/dsp/PeakEq.h"

#include <cmath>
#include <numbers>

#include "audiolib/dsp/DspUtil.h"

namespace alib::dsp {

PeakEq::PeakEq(int sampleRate) : sampleRate_(sampleRate) {}

PeakEq::Coefs PeakEq::Design(const PeakEqParams& p) const {
  // Keep the centre below Nyquist: above it the design folds back into nonsense.
  double f0 = std::min<double>(p.fCenter, 0.49 * sampleRate_);
  double w0 = 2.0 * std::numbers::pi * f0 / sampleRate_;
  double sw = std::sin(w0), cw = std::cos(w0);
  double alpha;
  if (p.fBandwidth > 0.0f) {
    alpha = sw * std::sinh(std::log(2.0) / 2.0 * p.fBandwidth * w0 / sw);
  } else {
    alpha = sw / (2.0 * p.fQ);
  }
  double A = std::pow(10.0, p.fGain / 40.0);
  double a0 = 1.0 + alpha / A;
  Coefs c;
  c.b0 = static_cast<float>((1.0 + alpha * A) / a0);
  c.b1 = static_cast<float>(-2.0 * cw / a0);
  c.b2 = static_cast<float>((1.0 - alpha * A) / a0);
  c.a1 = c.b1;
  c.a2 = static_cast<float>((1.0 - alpha / A) / a0);
  return c;
}

bool PeakEq::SetParameters(const void* params) {
  PeakEqParams p = *static_cast<const PeakEqParams*>(params);
  if (!AllFinite({p.fBandwidth, p.fQ, p.fCenter, p.fGain})) return false;
  if (p.lBand < 0 || p.lBand >= kMaxBands) return false;
  // Bandwidth 0 selects the Q; anything else is clamped to the usable octave range.
  if (p.fBandwidth != 0.0f) p.fBandwidth = Clampf(p.fBandwidth, 0.1f, 10.0f);
  p.fQ = p.fBandwidth == 0.0f ? Clampf(p.fQ <= 0.0f ? 1.0f : p.fQ, 0.05f, 100.0f) : p.fQ;
  p.fCenter = Clampf(p.fCenter, 20.0f, 20000.0f);
  p.fGain = Clampf(p.fGain, -15.0f, 15.0f);
  Band& b = bands_[p.lBand];
  Coefs target = Design(p);
  if (!b.active) {
    // A new band starts flat at its own frequency (b = a is exact pass-through) and glides in.
    PeakEqParams flat = p;
    flat.fGain = 0.0f;
    b.cur = Design(flat);
    b.z1[0] = b.z1[1] = b.z2[0] = b.z2[1] = 0.0f;
    b.active = true;
  }
  b.params = p;
  b.target = target;
  b.remaining = RampFrames(sampleRate_);
  float n = static_cast<float>(b.remaining);
  b.step = {(target.b0 - b.cur.b0) / n, (target.b1 - b.cur.b1) / n, (target.b2 - b.cur.b2) / n,
            (target.a1 - b.cur.a1) / n, (target.a2 - b.cur.a2) / n};
  return true;
}

void PeakEq::GetParameters(void* params) const {
  auto* out = static_cast<PeakEqParams*>(params);
  int band = out->lBand;
  if (band < 0 || band >= kMaxBands || !bands_[band].active) {
    *out = PeakEqParams{};
    out->lBand = band;
    out->fGain = 0.0f;
    return;
  }
  *out = bands_[band].params;
}

int PeakEq::BandCount() const {
  int n = 0;
  for (const Band& b : bands_) n += b.active ? 1 : 0;
  return n;
}

void PeakEq::Reset() {
  for (Band& b : bands_) {
    if (!b.active) continue;
    b.cur = b.target;
    b.remaining = 0;
    b.z1[0] = b.z1[1] = b.z2[0] = b.z2[1] = 0.0f;
  }
}

void PeakEq::Process(float* frames, size_t count) {
  DenormalGuard guard;
  for (Band& b : bands_) {
    if (!b.active) continue;
    bool onL = ChannelOn(b.params.lChannel, 0), onR = ChannelOn(b.params.lChannel, 1);
    if (!onL && !onR) continue;
    size_t i = 0;
    // While the coefficients glide (after a change), step them every frame.
    for (; i < count && b.remaining > 0; ++i) {
      Coefs& c = b.cur;
      c.b0 += b.step.b0;
      c.b1 += b.step.b1;
      c.b2 += b.step.b2;
      c.a1 += b.step.a1;
      c.a2 += b.step.a2;
      if (--b.remaining == 0) c = b.target;
      for (int ch = 0; ch < 2; ++ch) {
        if (!(ch == 0 ? onL : onR)) continue;
        float x = frames[i * 2 + ch];
        float y = c.b0 * x + b.z1[ch];
        b.z1[ch] = c.b1 * x - c.a1 * y + b.z2[ch];
        b.z2[ch] = c.b2 * x - c.a2 * y;
        frames[i * 2 + ch] = y;
      }
    }
    if (i >= count) continue;
    const Coefs c = b.cur;
    float z1l = b.z1[0], z2l = b.z2[0], z1r = b.z1[1], z2r = b.z2[1];
    if (onL && onR) {
      for (; i < count; ++i) {
        float xl = frames[i * 2], xr = frames[i * 2 + 1];
        float yl = c.b0 * xl + z1l, yr = c.b0 * xr + z1r;
        z1l = c.b1 * xl - c.a1 * yl + z2l;
        z1r = c.b1 * xr - c.a1 * yr + z2r;
        z2l = c.b2 * xl - c.a2 * yl;
        z2r = c.b2 * xr - c.a2 * yr;
        frames[i * 2] = yl;
        frames[i * 2 + 1] = yr;
      }
    } else {
      int ch = onL ? 0 : 1;
      float z1 = ch == 0 ? z1l : z1r, z2 = ch == 0 ? z2l : z2r;
      for (; i < count; ++i) {
        float x = frames[i * 2 + ch];
        float y = c.b0 * x + z1;
        z1 = c.b1 * x - c.a1 * y + z2;
        z2 = c.b2 * x - c.a2 * y;
        frames[i * 2 + ch] = y;
      }
      if (ch == 0) { z1l = z1; z2l = z2; } else { z1r = z1; z2r = z2; }
    }
    b.z1[0] = z1l; b.z2[0] = z2l; b.z1[1] = z1r; b.z2[1] = z2r;
  }
}

}  // namespace alib::dsp
