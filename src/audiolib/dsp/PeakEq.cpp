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
  if (params == nullptr) return false;
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
  if (params == nullptr) return;
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

namespace {

typedef float V4 __attribute__((vector_size(16)));
typedef int32_t M4 __attribute__((vector_size(16)));

// Two bands side by side: lanes {band A left, band A right, band B left, band B right}.
struct Group {
  V4 b0, b1, b2, a1, a2;
  V4 d0, d1, d2, d3, d4;  // per-frame coefficient steps while a band glides
  V4 z1, z2, out;
};

}  // namespace

// The bands run as a wavefront: band k works on frame n - k while band 0 works on frame n, so
// every band's recursion is independent of the others within a step and two bands (four
// channels) share one vector. Each block fills and drains the pipeline, so there is no latency.
void PeakEq::Process(float* frames, size_t count) {
  DenormalGuard guard;
  if (count == 0) return;
  int order[kMaxBands];
  int k = 0;
  for (int i = 0; i < kMaxBands; ++i) {
    const Band& b = bands_[i];
    if (b.active && (ChannelOn(b.params.lChannel, 0) || ChannelOn(b.params.lChannel, 1))) order[k++] = i;
  }
  if (k == 0) return;
  const int lanes = k + (k & 1);  // an odd count gets a pass-through band
  const int groups = lanes / 2;
  Group g[kMaxBands / 2];
  auto load = [](Group& grp, int half, const Band* b) {
    for (int ch = 0; ch < 2; ++ch) {
      const int l = half * 2 + ch;
      // A band that leaves a channel alone is the identity there: y = x exactly.
      bool on = b != nullptr && ChannelOn(b->params.lChannel, ch);
      const Coefs c = on ? b->cur : Coefs{};
      grp.b0[l] = c.b0; grp.b1[l] = c.b1; grp.b2[l] = c.b2; grp.a1[l] = c.a1; grp.a2[l] = c.a2;
      bool ramp = on && b->remaining > 0;
      grp.d0[l] = ramp ? b->step.b0 : 0.0f; grp.d1[l] = ramp ? b->step.b1 : 0.0f;
      grp.d2[l] = ramp ? b->step.b2 : 0.0f; grp.d3[l] = ramp ? b->step.a1 : 0.0f;
      grp.d4[l] = ramp ? b->step.a2 : 0.0f;
      grp.z1[l] = b != nullptr ? b->z1[ch] : 0.0f;
      grp.z2[l] = b != nullptr ? b->z2[ch] : 0.0f;
      grp.out[l] = 0.0f;
    }
  };
  for (int j = 0; j < groups; ++j) {
    for (int half = 0; half < 2; ++half) {
      int lane = j * 2 + half;
      const Band* b = lane < k ? &bands_[order[lane]] : nullptr;
      load(g[j], half, b);
    }
  }
  // Each band's glide ends exactly on its target: it snaps there when its count runs out.
  int remaining[kMaxBands];
  int ramping = 0;
  for (int lane = 0; lane < lanes; ++lane) {
    remaining[lane] = lane < k ? bands_[order[lane]].remaining : 0;
    ramping += remaining[lane] > 0 ? 1 : 0;
  }

  const size_t steps = count + static_cast<size_t>(lanes) - 1;
  const size_t fullFrom = static_cast<size_t>(lanes) - 1;  // from here every band has a frame
  for (size_t s = 0; s < steps; ++s) {
    V4 x = {0, 0, 0, 0};
    if (s < count) {
      x[2] = frames[s * 2];
      x[3] = frames[s * 2 + 1];
    }
    const bool all = s >= fullFrom && s < count;
    V4 prevUpper = x;  // upper half of the group below, from the previous step
    for (int j = 0; j < groups; ++j) {
      Group& q = g[j];
      V4 in = __builtin_shufflevector(prevUpper, q.out, 2, 3, 4, 5);
      prevUpper = q.out;
      V4 y = q.b0 * in + q.z1;
      V4 z1 = q.b1 * in - q.a1 * y + q.z2;
      V4 z2 = q.b2 * in - q.a2 * y;
      if (all) {
        q.z1 = z1;
        q.z2 = z2;
      } else {
        // Filling or draining: a band without a frame at this step keeps its state.
        const long b0 = static_cast<long>(s) - j * 2, b1 = b0 - 1;
        const int32_t onA = (b0 >= 0 && b0 < static_cast<long>(count)) ? -1 : 0;
        const int32_t onB = (b1 >= 0 && b1 < static_cast<long>(count)) ? -1 : 0;
        M4 m = {onA, onA, onB, onB};
        q.z1 = reinterpret_cast<V4>((reinterpret_cast<M4>(z1) & m) | (reinterpret_cast<M4>(q.z1) & ~m));
        q.z2 = reinterpret_cast<V4>((reinterpret_cast<M4>(z2) & m) | (reinterpret_cast<M4>(q.z2) & ~m));
      }
      q.out = y;
    }
    if (s >= fullFrom) {
      const Group& last = g[groups - 1];
      size_t f = s - fullFrom;
      frames[f * 2] = last.out[2];
      frames[f * 2 + 1] = last.out[3];
    }
    if (ramping > 0) {
      for (int j = 0; j < groups; ++j) {
        Group& q = g[j];
        for (int half = 0; half < 2; ++half) {
          const int lane = j * 2 + half;
          // A band glides one step per frame it has actually filtered.
          const long f = static_cast<long>(s) - lane;
          if (remaining[lane] == 0 || f < 0 || f >= static_cast<long>(count)) continue;
          const int l0 = half * 2;
          if (--remaining[lane] == 0) {
            --ramping;
            Band& b = bands_[order[lane]];
            b.cur = b.target;
            Group tmp;
            load(tmp, half, &b);
            for (int l = l0; l < l0 + 2; ++l) {
              q.b0[l] = tmp.b0[l]; q.b1[l] = tmp.b1[l]; q.b2[l] = tmp.b2[l]; q.a1[l] = tmp.a1[l]; q.a2[l] = tmp.a2[l];
              q.d0[l] = q.d1[l] = q.d2[l] = q.d3[l] = q.d4[l] = 0.0f;
            }
          } else {
            for (int l = l0; l < l0 + 2; ++l) {
              q.b0[l] += q.d0[l]; q.b1[l] += q.d1[l]; q.b2[l] += q.d2[l]; q.a1[l] += q.d3[l]; q.a2[l] += q.d4[l];
            }
          }
        }
      }
    }
  }
  // Keep each band's state and glide position for the next block.
  for (int lane = 0; lane < k; ++lane) {
    Band& b = bands_[order[lane]];
    const Group& q = g[lane / 2];
    const int half = lane % 2;
    for (int ch = 0; ch < 2; ++ch) {
      if (!ChannelOn(b.params.lChannel, ch)) continue;
      const int l = half * 2 + ch;
      b.z1[ch] = q.z1[l];
      b.z2[ch] = q.z2[l];
    }
    if (b.remaining > 0) {
      b.remaining = remaining[lane];
      if (b.remaining > 0) {
        const int l = half * 2 + (ChannelOn(b.params.lChannel, 0) ? 0 : 1);
        b.cur = {q.b0[l], q.b1[l], q.b2[l], q.a1[l], q.a2[l]};
      }
    }
  }
}

}  // namespace alib::dsp
