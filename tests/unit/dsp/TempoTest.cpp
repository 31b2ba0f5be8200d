// Tempo and pitch change: durations, frequencies, pass-through at 0/0 and source positions.
#include <gtest/gtest.h>

#include <cmath>

#include "SignalTools.h"
#include "audiolib/dsp/Tempo.h"

using namespace alib::dsp;
using namespace dsptest;

namespace {

// Pushes the whole source through in device-sized pieces, then flushes; returns all output.
Buffer Render(TempoProcessor& tp, const Buffer& in, size_t block = 1024) {
  Buffer out;
  std::vector<float> tmp(4096 * 2);
  size_t frames = in.size() / 2;
  auto drain = [&] {
    for (;;) {
      size_t got = tp.Receive(tmp.data(), 4096);
      if (got == 0) break;
      out.insert(out.end(), tmp.begin(), tmp.begin() + static_cast<std::ptrdiff_t>(got * 2));
    }
  };
  for (size_t i = 0; i < frames; i += block) {
    tp.Put(in.data() + i * 2, std::min(block, frames - i));
    drain();
  }
  tp.Flush();
  drain();
  return out;
}

double Seconds(const Buffer& b) { return static_cast<double>(b.size() / 2) / kRate; }

}  // namespace

TEST(TempoTest, TempoChangesDurationNotPitch) {
  const Buffer in = Sine(440.0, 60.0, 0.5);
  for (auto [tempo, expected] : {std::pair{25.0f, 48.0}, std::pair{-50.0f, 120.0}, std::pair{100.0f, 30.0}}) {
    SCOPED_TRACE(testing::Message() << "tempo " << tempo);
    TempoProcessor tp(kRate);
    tp.SetTempo(tempo);
    Buffer out = Render(tp, in);
    // The end of the source is pushed out and nothing more: the length is what the tempo gives.
    EXPECT_NEAR(Seconds(out), expected, 0.001);
    size_t n = out.size() / 2;
    EXPECT_NEAR(ZeroCrossingHz(out, 0, n / 4, n * 3 / 4), 440.0, 1.0);
    EXPECT_NEAR(ZeroCrossingHz(out, 1, n / 4, n * 3 / 4), 440.0, 1.0);
  }
}

TEST(TempoTest, PitchChangesFrequencyNotDuration) {
  const Buffer in = Sine(440.0, 20.0, 0.5);
  for (auto [semis, hz] : {std::pair{12.0f, 880.0}, std::pair{-10.0f, 440.0 * std::exp2(-10.0 / 12.0)},
                           std::pair{7.0f, 440.0 * std::exp2(7.0 / 12.0)}}) {
    SCOPED_TRACE(testing::Message() << "pitch " << semis);
    TempoProcessor tp(kRate);
    tp.SetPitch(semis);
    Buffer out = Render(tp, in);
    EXPECT_NEAR(Seconds(out), 20.0, 0.2);
    size_t n = out.size() / 2;
    EXPECT_NEAR(ZeroCrossingHz(out, 0, n / 4, n * 3 / 4), hz, hz * 0.01);
  }
  // Both at once.
  TempoProcessor tp(kRate);
  tp.SetTempo(25.0f);
  tp.SetPitch(12.0f);
  Buffer out = Render(tp, in);
  EXPECT_NEAR(Seconds(out), 16.0, 0.16);
  EXPECT_NEAR(ZeroCrossingHz(out, 0, out.size() / 8, out.size() * 3 / 8), 880.0, 8.8);
}

TEST(TempoTest, ZeroZeroIsBitTransparentWithoutLatency) {
  TempoProcessor tp(kRate);
  EXPECT_TRUE(tp.IsTransparent());
  Buffer in = Noise(2.0, 0.7);
  tp.Put(in.data(), 100);
  EXPECT_EQ(tp.SourceFramesInside(), 100.0);
  Buffer first(100 * 2);
  ASSERT_EQ(tp.Receive(first.data(), 100), 100u);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), in.begin()));
  EXPECT_EQ(tp.SourceFramesInside(), 0.0);
  tp.Clear();
  Buffer out = Render(tp, in, 333);
  EXPECT_EQ(out, in);
  // Back to 0/0 after a change: transparent again.
  tp.SetTempo(10.0f);
  tp.SetTempo(0.0f);
  tp.Clear();
  EXPECT_EQ(Render(tp, in, 500), in);
}

TEST(TempoTest, SwitchingOnAndOffMidStreamLosesNothing) {
  Buffer in = Sine(300.0, 10.0, 0.5);
  TempoProcessor tp(kRate);
  Buffer out;
  std::vector<float> tmp(2048 * 2);
  size_t frames = in.size() / 2;
  for (size_t i = 0, k = 0; i < frames; i += 1024, ++k) {
    // Two seconds plain, two at +100 %, two more with the pitch raised too, two at +100 %
    // without it, then plain again.
    if (i == 2 * kRate / 1024 * 1024) tp.SetTempo(100.0f);
    if (i == 4 * kRate / 1024 * 1024) tp.SetPitch(3.0f);
    if (i == 6 * kRate / 1024 * 1024) tp.SetPitch(0.0f);
    if (i == 8 * kRate / 1024 * 1024) tp.SetTempo(0.0f);
    tp.Put(in.data() + i * 2, std::min<size_t>(1024, frames - i));
    for (size_t got; (got = tp.Receive(tmp.data(), 2048)) > 0;) out.insert(out.end(), tmp.begin(), tmp.begin() + got * 2);
  }
  // 2 s + 1 s + 1 s + 1 s + 2 s of output.
  EXPECT_NEAR(Seconds(out), 7.0, 0.1);
  EXPECT_NEAR(tp.SourceFramesInside(), 0.0, 1.0);
  // The last seconds are the source itself again, sample for sample.
  EXPECT_TRUE(std::equal(out.end() - kRate * 2, out.end(), in.end() - kRate * 2));
}

TEST(TempoTest, SourcePositionFollowsTheSourceClock) {
  // At +25 % every output second covers 1.25 s of source; the source position is what went in
  // minus what is still inside, so position marks land where they belong in the source.
  Buffer in = Sine(440.0, 30.0, 0.5);
  TempoProcessor tp(kRate);
  tp.SetTempo(25.0f);
  std::vector<float> tmp(1024 * 2);
  size_t frames = in.size() / 2, put = 0, played = 0;
  std::vector<std::pair<double, double>> samples;  // (output seconds, source seconds)
  while (played < static_cast<size_t>(20 * kRate)) {
    size_t got = tp.Receive(tmp.data(), 1024);
    if (got == 0) {
      size_t n = std::min<size_t>(4096, frames - put);
      ASSERT_GT(n, 0u);
      tp.Put(in.data() + put * 2, n);
      put += n;
      continue;
    }
    played += got;
    samples.emplace_back(static_cast<double>(played) / kRate, (static_cast<double>(put) - tp.SourceFramesInside()) / kRate);
  }
  for (const auto& [outSec, srcSec] : samples) {
    if (outSec < 1.0) continue;
    ASSERT_NEAR(srcSec, outSec * 1.25, 0.1) << "at output " << outSec << " s";
  }
}

TEST(TempoTest, RangesAndNonsense) {
  TempoProcessor tp(kRate);
  tp.SetTempo(9000.0f);
  EXPECT_EQ(tp.Tempo(), 5000.0f);
  tp.SetTempo(-100.0f);
  EXPECT_EQ(tp.Tempo(), -95.0f);
  tp.SetTempo(NAN);
  EXPECT_EQ(tp.Tempo(), -95.0f);
  tp.SetPitch(70.0f);
  EXPECT_EQ(tp.Pitch(), 60.0f);
  tp.SetPitch(INFINITY);
  EXPECT_EQ(tp.Pitch(), 60.0f);
  // Extreme settings still produce sound of the expected length.
  Buffer in = Sine(440.0, 5.0, 0.5);
  Buffer out = Render(tp, in);
  EXPECT_NEAR(Seconds(out), 100.0, 2.0);
  EXPECT_LT(PeakAbs(out), 2.0);
  tp.Put(nullptr, 10);
  EXPECT_EQ(tp.Receive(nullptr, 10), 0u);
}

TEST(TempoTest, RatesAboveTheStretcherLimitStillWork) {
  // 384 kHz sources: the processor must neither fail nor change the speed or pitch.
  constexpr int kHigh = 384000;
  TempoProcessor tp(kHigh);
  tp.SetTempo(25.0f);
  Buffer in = Sine(1000.0, 4.0, 0.5, kHigh);
  Buffer out = Render(tp, in);
  EXPECT_NEAR(static_cast<double>(out.size() / 2) / kHigh, 3.2, 0.01);
  size_t n = out.size() / 2;
  EXPECT_NEAR(ZeroCrossingHz(out, 0, n / 4, n * 3 / 4, kHigh), 1000.0, 2.0);
}
