// The sound of the equaliser, compressor, all-pass, echo and reverb, measured on buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "SignalTools.h"
#include "audiolib/dsp/AllPass.h"
#include "audiolib/dsp/Compressor.h"
#include "audiolib/dsp/Echo.h"
#include "audiolib/dsp/PeakEq.h"
#include "audiolib/dsp/Reverb.h"

using namespace alib::dsp;
using namespace dsptest;

namespace {

PeakEqParams Band(int index, float center, float bandwidth, float gain) {
  PeakEqParams p;
  p.lBand = index;
  p.fCenter = center;
  p.fBandwidth = bandwidth;
  p.fQ = 0.0f;
  p.fGain = gain;
  return p;
}

// Gain in dB the equaliser gives a steady sine, measured after the filters have settled.
double EqGainAt(PeakEq& eq, double hz) {
  eq.Reset();
  Buffer in = Sine(hz, 1.0, 0.25);
  Buffer out = in;
  RunFx(eq, out);
  size_t from = kRate / 2, to = in.size() / 2;
  return RmsDb(out, 0, from, to) - RmsDb(in, 0, from, to);
}

}  // namespace

TEST(PeakEqTest, BandGainEdgesAndFarAway) {
  for (float bw : {1.0f, 2.0f}) {
    for (float gain : {12.0f, -12.0f, 15.0f}) {
      PeakEq eq(kRate);
      ASSERT_TRUE(Set(eq, Band(0, 1000.0f, bw, gain)));
      SCOPED_TRACE(testing::Message() << "bandwidth " << bw << " gain " << gain);
      EXPECT_NEAR(EqGainAt(eq, 1000.0), gain, 0.3);
      EXPECT_NEAR(EqGainAt(eq, 1000.0 * std::exp2(bw / 2)), gain / 2, 0.5);
      EXPECT_NEAR(EqGainAt(eq, 1000.0 * std::exp2(-bw / 2)), gain / 2, 0.5);
      EXPECT_NEAR(EqGainAt(eq, 1000.0 * 16), 0.0, 0.3);
      EXPECT_NEAR(EqGainAt(eq, 1000.0 / 16), 0.0, 0.3);
    }
  }
}

TEST(PeakEqTest, FifteenBandsStackAndNewBandsAreAdded) {
  PeakEq eq(kRate);
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(Set(eq, Band(i, 2000.0f, 1.0f, 1.0f)));
  EXPECT_EQ(eq.BandCount(), 15);
  EXPECT_NEAR(EqGainAt(eq, 2000.0), 15.0, 0.3);
  // Setting an existing band changes it instead of adding one.
  ASSERT_TRUE(Set(eq, Band(3, 2000.0f, 1.0f, -1.0f)));
  EXPECT_EQ(eq.BandCount(), 15);
  EXPECT_NEAR(EqGainAt(eq, 2000.0), 13.0, 0.3);
  // The usual five-band layout, each band lifting its own frequency.
  PeakEq five(kRate);
  const float centers[] = {60, 250, 1000, 3500, 10000};
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Set(five, Band(i, centers[i], 2.0f, i == 2 ? 9.0f : 0.0f)));
  EXPECT_NEAR(EqGainAt(five, 1000.0), 9.0, 0.3);
  EXPECT_NEAR(EqGainAt(five, 60.0), 0.0, 0.3);
}

TEST(PeakEqTest, GainChangeWhilePlayingMakesNoClick) {
  // A band on the tone itself, and a wide band far above it: switching the filter at once would
  // make the output jump although the tone hardly changes.
  struct Case {
    float center, bandwidth;
    double toneHz, allowed;  // largest step around the change, relative to the steady output's
  };
  for (const Case& c : {Case{100.0f, 1.0f, 100.0, 1.05}, Case{5000.0f, 2.0f, 50.0, 1.5}}) {
    for (float to : {15.0f, -15.0f}) {
      SCOPED_TRACE(testing::Message() << c.center << " Hz to " << to << " dB");
      PeakEq eq(kRate);
      ASSERT_TRUE(Set(eq, Band(0, c.center, c.bandwidth, -to)));
      eq.Reset();
      Buffer buf = Sine(c.toneHz, 2.0, 0.5);
      const size_t sec = kRate;
      // Change where the tone is near its peak, the worst place for a jump.
      const size_t at = sec + static_cast<size_t>(kRate / c.toneHz / 4);
      eq.Process(buf.data(), at);
      ASSERT_TRUE(Set(eq, Band(0, c.center, c.bandwidth, to)));
      eq.Process(buf.data() + at * 2, buf.size() / 2 - at);
      double steady = std::max(MaxStep(buf, 0, sec / 2, at), MaxStep(buf, 0, at + sec / 2, 2 * sec));
      EXPECT_LE(MaxStep(buf, 0, at - 100, at + 4000), steady * c.allowed);
    }
  }
}

TEST(PeakEqTest, RefusesNonsenseAndClampsRanges) {
  PeakEq eq(kRate);
  ASSERT_TRUE(Set(eq, Band(0, 1000.0f, 2.0f, 6.0f)));
  PeakEqParams bad = Band(0, NAN, 2.0f, 3.0f);
  EXPECT_FALSE(eq.SetParameters(&bad));
  bad = Band(0, 1000.0f, INFINITY, 3.0f);
  EXPECT_FALSE(eq.SetParameters(&bad));
  EXPECT_FALSE(Set(eq, Band(-1, 1000.0f, 2.0f, 3.0f)));
  EXPECT_FALSE(Set(eq, Band(PeakEq::kMaxBands, 1000.0f, 2.0f, 3.0f)));
  PeakEqParams got;
  got.lBand = 0;
  eq.GetParameters(&got);
  EXPECT_EQ(got.fGain, 6.0f);
  EXPECT_EQ(got.fCenter, 1000.0f);
  EXPECT_EQ(eq.BandCount(), 1);

  ASSERT_TRUE(Set(eq, Band(1, 30000.0f, 40.0f, 40.0f)));
  got.lBand = 1;
  eq.GetParameters(&got);
  EXPECT_EQ(got.fGain, 15.0f);
  EXPECT_EQ(got.fBandwidth, 10.0f);
  EXPECT_EQ(got.fCenter, 20000.0f);
  // A centre above half the sample rate must still give a stable filter.
  PeakEq low(8000);
  ASSERT_TRUE(Set(low, Band(0, 20000.0f, 10.0f, 15.0f)));
  Buffer n = Noise(2.0, 0.5, 3, 8000);
  RunFx(low, n);
  EXPECT_LT(PeakAbs(n), 10.0);
  // Bandwidth 0 uses Q instead.
  PeakEq q(kRate);
  PeakEqParams byQ = Band(0, 1000.0f, 0.0f, 12.0f);
  byQ.fQ = 1.4f;
  ASSERT_TRUE(q.SetParameters(&byQ));
  EXPECT_NEAR(EqGainAt(q, 1000.0), 12.0, 0.3);
}

TEST(PeakEqTest, ChannelMaskLeavesTheOtherChannelAlone) {
  PeakEq eq(kRate);
  PeakEqParams p = Band(0, 1000.0f, 2.0f, 12.0f);
  p.lChannel = 1;  // left only
  ASSERT_TRUE(eq.SetParameters(&p));
  Buffer in = Noise(0.5, 0.3);
  Buffer out = in;
  RunFx(eq, out);
  EXPECT_EQ(Channel(out, 1), Channel(in, 1));
  EXPECT_NE(Channel(out, 0), Channel(in, 0));
}

namespace {
CompressorParams Comp(float gain, float threshold, float ratio, float attack, float release) {
  CompressorParams p;
  p.fGain = gain;
  p.fThreshold = threshold;
  p.fRatio = ratio;
  p.fAttack = attack;
  p.fRelease = release;
  return p;
}

// Steady level (both channels equal) as a buffer: the gain is then out / in at every frame.
Buffer Level(double db, double seconds) {
  Buffer b(static_cast<size_t>(seconds * kRate) * 2, static_cast<float>(std::pow(10.0, db / 20.0)));
  return b;
}

// First time (seconds from start) the gain reduction in dB crosses the given value.
double TimeToReduction(const Buffer& in, const Buffer& out, size_t start, double db, bool rising) {
  for (size_t i = start; i < in.size() / 2; ++i) {
    double red = -ToDb(out[i * 2] / in[i * 2]);
    if (rising ? red >= db : red <= db) return static_cast<double>(i - start) / kRate;
  }
  return -1.0;
}
}  // namespace

TEST(CompressorTest, SteadySineAboveThresholdIsReducedByTheRatio) {
  Compressor c(kRate);
  ASSERT_TRUE(Set(c, Comp(0.0f, -20.0f, 3.0f, 10.0f, 200.0f)));
  // Peak 12 dB above the threshold; ratio 3 leaves 4 dB above it: 8 dB less.
  Buffer in = Sine(1000.0, 2.0, std::pow(10.0, -8.0 / 20.0));
  Buffer out = in;
  RunFx(c, out);
  size_t from = kRate, to = in.size() / 2;
  EXPECT_NEAR(RmsDb(out, 0, from, to) - RmsDb(in, 0, from, to), -8.0, 0.5);
  // The peak detector's hold follows the release (a tenth of it, 20 ms at most); changing the
  // release while the tone plays must not lose the held peak and let the gain jump up.
  Buffer steady = in;
  for (size_t i = 0, k = 0; i < steady.size() / 2; i += 700, ++k) {
    ASSERT_TRUE(Set(c, Comp(0.0f, -20.0f, 3.0f, 10.0f, k % 3 == 0 ? 30.0f : k % 3 == 1 ? 2000.0f : 70.0f)));
    c.Process(steady.data() + i * 2, std::min<size_t>(700, steady.size() / 2 - i));
  }
  for (size_t i = 0; i + 441 <= steady.size() / 2; i += 441) {
    ASSERT_NEAR(RmsDb(steady, 0, i, i + 441) - RmsDb(in, 0, i, i + 441), -8.0, 0.5) << "at frame " << i;
  }
  // Below the threshold only the output gain applies.
  Compressor c2(kRate);
  ASSERT_TRUE(Set(c2, Comp(6.0f, -20.0f, 3.0f, 10.0f, 200.0f)));
  in = Sine(1000.0, 1.0, std::pow(10.0, -30.0 / 20.0));
  out = in;
  RunFx(c2, out);
  from = kRate / 2;
  to = in.size() / 2;
  EXPECT_NEAR(RmsDb(out, 0, from, to) - RmsDb(in, 0, from, to), 6.0, 0.05);
}

TEST(CompressorTest, AttackAndReleaseTimesReachSixtyThreePercent) {
  for (float attack : {10.0f, 50.0f}) {
    for (float release : {100.0f, 300.0f}) {
      Compressor c(kRate);
      ASSERT_TRUE(Set(c, Comp(0.0f, -20.0f, 3.0f, attack, release)));
      Buffer in = Level(-40.0, 0.5);
      Append(in, Level(-8.0, 1.5));
      Append(in, Level(-40.0, 2.0));
      Buffer out = in;
      RunFx(c, out);
      SCOPED_TRACE(testing::Message() << "attack " << attack << " release " << release);
      double ta = TimeToReduction(in, out, kRate / 2, 8.0 * 0.632, true) * 1000.0;
      EXPECT_NEAR(ta, attack, attack * 0.2);
      size_t relStart = kRate * 2;
      EXPECT_NEAR(-ToDb(out[(relStart - 1) * 2] / in[(relStart - 1) * 2]), 8.0, 0.05);
      double tr = TimeToReduction(in, out, relStart, 8.0 * 0.368, false) * 1000.0;
      EXPECT_NEAR(tr, release, release * 0.2);
    }
  }
}

TEST(CompressorTest, ClampsAndRefusesNonsense) {
  Compressor c(kRate);
  ASSERT_TRUE(Set(c, Comp(100.0f, 0.0f, 0.0f, 0.0f, 0.0f)));
  CompressorParams got;
  c.GetParameters(&got);
  EXPECT_EQ(got.fGain, 60.0f);
  EXPECT_EQ(got.fThreshold, 0.0f);
  EXPECT_EQ(got.fRatio, 1.0f);
  EXPECT_FLOAT_EQ(got.fAttack, 0.01f);
  EXPECT_FLOAT_EQ(got.fRelease, 0.01f);
  EXPECT_FALSE(Set(c, Comp(0.0f, NAN, 3.0f, 10.0f, 200.0f)));
  EXPECT_FALSE(Set(c, Comp(0.0f, -20.0f, 3.0f, 10.0f, -INFINITY)));
  c.GetParameters(&got);
  EXPECT_EQ(got.fGain, 60.0f);
}

namespace {
AllPassParams Apf(float g, float delay) {
  AllPassParams p;
  p.fGain = g;
  p.fDelay = delay;
  return p;
}
EchoParams EchoP(float dry, float wet, float fb, float delay) {
  EchoParams p;
  p.fDryMix = dry;
  p.fWetMix = wet;
  p.fFeedback = fb;
  p.fDelay = delay;
  return p;
}
}  // namespace

TEST(AllPassTest, MagnitudeIsFlatAndImpulseShowsBothTerms) {
  for (auto [g, delay] : {std::pair{0.6f, 0.05f}, std::pair{0.799f, 0.2f}, std::pair{-0.5f, 0.013f}}) {
    SCOPED_TRACE(testing::Message() << "g " << g << " delay " << delay);
    AllPass ap(kRate);
    ASSERT_TRUE(Set(ap, Apf(g, delay)));
    ap.Reset();  // start at the set values, without the glide
    // Noise, then silence long enough for the whole response to come out.
    Buffer in = Noise(3.0, 0.5, 7);
    Append(in, Silence(delay * 120));
    Buffer out = in;
    RunFx(ap, out);
    size_t n = in.size() / 2;
    for (double hz = 50.0; hz < 20000.0; hz *= 1.19) {
      double ratio = ToDb(Goertzel(out, 0, hz, 0, n) / Goertzel(in, 0, hz, 0, n));
      ASSERT_NEAR(ratio, 0.0, 0.1) << hz << " Hz";
    }
    // Long-term power is kept too.
    EXPECT_NEAR(RmsDb(out, 1, 0, n), RmsDb(in, 1, 0, n), 0.1);

    ap.Reset();
    Buffer imp = Impulse(delay * 3);
    RunFx(ap, imp);
    size_t d = static_cast<size_t>(std::lround(delay * kRate));
    EXPECT_FLOAT_EQ(imp[0], -g);
    EXPECT_FLOAT_EQ(imp[d * 2], 1.0f - g * g);
    EXPECT_FLOAT_EQ(imp[2 * d * 2], g * (1.0f - g * g));
    EXPECT_EQ(imp[(d - 1) * 2], 0.0f);
  }
}

TEST(EchoTest, ImpulseReturnsAfterTheDelayTimesFeedbackPerRepeat) {
  for (float fb : {0.5f, -0.7f, 0.0f}) {
    Echo echo(kRate);
    ASSERT_TRUE(Set(echo, EchoP(1.0f, 0.8f, fb, 0.2f)));
    echo.Reset();
    Buffer imp = Impulse(1.0);
    RunFx(echo, imp, 333);
    size_t d = static_cast<size_t>(0.2 * kRate);
    EXPECT_FLOAT_EQ(imp[0], 1.0f);
    EXPECT_FLOAT_EQ(imp[d * 2], 0.8f);
    EXPECT_FLOAT_EQ(imp[2 * d * 2 + 1], 0.8f * fb);
    EXPECT_FLOAT_EQ(imp[3 * d * 2], 0.8f * fb * fb);
    // Nothing in between the repeats.
    double between = 0.0;
    for (size_t i = 1; i < 4 * d; ++i) {
      if (i % d != 0) between = std::max(between, static_cast<double>(std::fabs(imp[i * 2])));
    }
    EXPECT_EQ(between, 0.0);
  }
}

TEST(DelayChangeTest, ChangingTheDelayWhilePlayingDoesNotJump) {
  Buffer ref = Sine(200.0, 1.0, 0.5);
  const double ownStep = MaxStep(ref, 0, 0, ref.size() / 2);
  Echo echo(kRate);
  ASSERT_TRUE(Set(echo, EchoP(0.0f, 1.0f, 0.0f, 0.3f)));
  AllPass ap(kRate);
  ASSERT_TRUE(Set(ap, Apf(0.5f, 0.3f)));
  for (Effect* fx : std::vector<Effect*>{&echo, &ap}) {
    fx->Reset();
    Buffer buf = Sine(200.0, 2.0, 0.5);
    const size_t sec = kRate;
    fx->Process(buf.data(), sec);
    if (fx == &echo) {
      ASSERT_TRUE(Set(echo, EchoP(0.0f, 1.0f, 0.0f, 0.1013f)));
    } else {
      ASSERT_TRUE(Set(ap, Apf(0.5f, 0.1013f)));
    }
    fx->Process(buf.data() + sec * 2, sec);
    EXPECT_LE(MaxStep(buf, 0, sec - 10, sec + 2000), ownStep * 2.0);
  }
}

namespace {
// Reverberation time from the backward-integrated energy of the tail (-5 to -35 dB, extended
// to 60 dB), the usual room-acoustics measure.
double ReverbTimeMs(const Buffer& wet) {
  std::vector<double> energy(wet.size() / 2);
  double sum = 0.0;
  for (size_t i = energy.size(); i-- > 0;) {
    sum += static_cast<double>(wet[i * 2]) * wet[i * 2] + static_cast<double>(wet[i * 2 + 1]) * wet[i * 2 + 1];
    energy[i] = sum;
  }
  double total = energy[0];
  size_t t5 = 0, t35 = 0;
  for (size_t i = 0; i < energy.size(); ++i) {
    double db = 10.0 * std::log10(energy[i] / total);
    if (t5 == 0 && db <= -5.0) t5 = i;
    if (db <= -35.0) {
      t35 = i;
      break;
    }
  }
  if (t5 == 0 || t35 == 0) return -1.0;
  return 2.0 * static_cast<double>(t35 - t5) / kRate * 1000.0;
}
}  // namespace

TEST(ReverbTest, TailFallsSixtyDecibelsInTheReverberationTime) {
  for (int32_t ms : {1200, 2500, 6000}) {
    Reverb rv(kRate);
    ReverbParams p;
    p.fLevel = 1.0f;
    p.lDelay = ms;
    ASSERT_TRUE(rv.SetParameters(&p));
    rv.Reset();
    Buffer buf = Impulse(ms / 1000.0 * 1.5);
    RunFx(rv, buf);
    buf[0] -= 1.0f;  // keep only the wet part
    buf[1] -= 1.0f;
    double measured = ReverbTimeMs(buf);
    EXPECT_NEAR(measured, ms, ms * 0.15) << ms;
    std::printf("reverb %d ms measured %.0f\n", ms, measured);
    // Both channels carry the tail, but not the same one.
    EXPECT_NE(Channel(buf, 0), Channel(buf, 1));
  }
}

TEST(ReverbTest, LevelZeroIsPassThroughAndRangesAreClamped) {
  Reverb rv(kRate);
  ReverbParams p;
  p.fLevel = 0.0f;
  p.lDelay = 3000;
  ASSERT_TRUE(rv.SetParameters(&p));
  rv.Reset();
  Buffer in = Noise(1.0, 0.5);
  Buffer out = in;
  RunFx(rv, out);
  EXPECT_EQ(out, in);
  // Back to level 0 after playing with a tail: the old tail does not come back later.
  p.fLevel = 2.0f;
  ASSERT_TRUE(rv.SetParameters(&p));
  out = in;
  RunFx(rv, out);
  p.fLevel = 0.0f;
  ASSERT_TRUE(rv.SetParameters(&p));
  Buffer quiet = Silence(0.1);
  RunFx(rv, quiet);
  p.fLevel = 1.0f;
  ASSERT_TRUE(rv.SetParameters(&p));
  quiet = Silence(0.5);
  RunFx(rv, quiet);
  EXPECT_EQ(PeakAbs(quiet), 0.0);

  p.fLevel = 9.0f;
  p.lDelay = 50000;
  ASSERT_TRUE(rv.SetParameters(&p));
  ReverbParams got;
  rv.GetParameters(&got);
  EXPECT_EQ(got.fLevel, 5.0f);
  EXPECT_EQ(got.lDelay, 10000);
  p.fLevel = NAN;
  EXPECT_FALSE(rv.SetParameters(&p));
  rv.GetParameters(&got);
  EXPECT_EQ(got.fLevel, 5.0f);
}
