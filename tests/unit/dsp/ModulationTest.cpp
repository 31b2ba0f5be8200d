// The moving effects: chorus delay sweep and the auto-wah notch; every effect stays bounded,
// refuses nonsense and does not depend on the block size the device pulls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "SignalTools.h"
#include "audiolib/dsp/AutoWah.h"
#include "audiolib/dsp/Chorus.h"
#include "audiolib/dsp/Effect.h"

using namespace alib::dsp;
using namespace dsptest;

namespace {

ChorusParams ChorusP(float dry, float wet, float fb, float minMs, float maxMs, float rate) {
  ChorusParams p;
  p.fDryMix = dry;
  p.fWetMix = wet;
  p.fFeedback = fb;
  p.fMinSweep = minMs;
  p.fMaxSweep = maxMs;
  p.fRate = rate;
  return p;
}

AutoWahParams WahP(float dry, float wet, float fb, float rate, float range, float freq) {
  AutoWahParams p;
  p.fDryMix = dry;
  p.fWetMix = wet;
  p.fFeedback = fb;
  p.fRate = rate;
  p.fRange = range;
  p.fFreq = freq;
  return p;
}

}  // namespace

TEST(ChorusTest, DelayStaysBetweenSweepsAndMovesAtTheRate) {
  for (auto [lo, hi, rate] : {std::tuple{5.0f, 25.0f, 10.0f}, std::tuple{1.0f, 5.0f, 1.0f},
                              std::tuple{1.0f, 50.0f, 200.0f}}) {
    SCOPED_TRACE(testing::Message() << lo << ".." << hi << " ms at " << rate << " ms/s");
    Chorus ch(kRate);
    ASSERT_TRUE(Set(ch, ChorusP(0.0f, 1.0f, 0.0f, lo, hi, rate)));
    ch.Reset();
    // A rising ramp in, so each output sample tells the delay it was read at.
    const double seconds = 6.0;
    size_t n = static_cast<size_t>(seconds * kRate);
    Buffer buf(n * 2);
    for (size_t i = 0; i < n; ++i) buf[i * 2] = buf[i * 2 + 1] = static_cast<float>(i);
    RunFx(ch, buf, 441);
    double minSeen = 1e9, maxSeen = -1e9, path = 0.0, prev = -1.0;
    size_t start = static_cast<size_t>(hi / 1000.0 * kRate) + 4;
    for (size_t i = start; i < n; ++i) {
      double d = (static_cast<double>(i) - buf[i * 2]) * 1000.0 / kRate;
      minSeen = std::min(minSeen, d);
      maxSeen = std::max(maxSeen, d);
      if (prev >= 0.0) path += std::fabs(d - prev);
      prev = d;
    }
    EXPECT_GE(minSeen, lo - 0.01);
    EXPECT_LE(maxSeen, hi + 0.01);
    double secondsMeasured = static_cast<double>(n - start) / kRate;
    EXPECT_NEAR(path / secondsMeasured, rate, rate * 0.02);
    if (rate * secondsMeasured > 2 * (hi - lo)) {
      EXPECT_NEAR(minSeen, lo, 0.05);
      EXPECT_NEAR(maxSeen, hi, 0.05);
    }
  }
}

TEST(ChorusTest, AllPresetsStayBoundedOnALongNoise) {
  const float presets[8][6] = {{1, 0.35f, 0.5f, 1, 5, 1},     {0.7f, 0.25f, 0.5f, 1, 200, 50},
                               {0.9f, 0.45f, 0.5f, 1, 100, 25}, {0.9f, 0.35f, 0.5f, 1, 50, 200},
                               {0.9f, 0.35f, 0.5f, 1, 400, 200}, {0.9f, -0.2f, 0.5f, 1, 400, 400},
                               {0.9f, -0.4f, 0.5f, 1, 2, 1},     {0.3f, 0.4f, 0.5f, 1, 10, 5}};
  Buffer noise = Noise(60.0, 0.5, 11);
  for (const auto& p : presets) {
    Chorus ch(kRate);
    ASSERT_TRUE(Set(ch, ChorusP(p[0], p[1], p[2], p[3], p[4], p[5])));
    Buffer buf = noise;
    RunFx(ch, buf, 1024);
    double peak = PeakAbs(buf);
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_LT(peak, 4.0) << "preset with max sweep " << p[4];
    EXPECT_GT(RmsDb(buf, 0, buf.size() / 2 - kRate, buf.size() / 2), -30.0);
  }
}

namespace {
// Centre of the quietest 20 ms window between two times, in seconds.
double QuietestMoment(const Buffer& buf, double from, double to) {
  const size_t win = kRate / 50, hop = kRate / 400;
  double best = 1e9, at = -1.0;
  for (size_t s = static_cast<size_t>(from * kRate); s + win <= static_cast<size_t>(to * kRate); s += hop) {
    double db = RmsDb(buf, 0, s, s + win);
    if (db < best) {
      best = db;
      at = (s + win / 2.0) / kRate;
    }
  }
  return at;
}
}  // namespace

TEST(AutoWahTest, NotchSweepsFromBaseOverTheRangeAtTheRate) {
  // 100 Hz up three octaves to 800 Hz and back, once every 2 s.
  AutoWah wah(kRate);
  ASSERT_TRUE(Set(wah, WahP(1.0f, 1.0f, 0.0f, 0.5f, 3.0f, 100.0f)));
  wah.Reset();
  EXPECT_NEAR(wah.NotchHz(), 100.0, 0.01);
  // A sine at the top of the sweep is cancelled when the notch reaches it, at 1 s and 3 s; one at
  // the bottom at 2 s and 4 s; one in the middle (1.5 octaves) at 0.5, 1.5, 2.5 s.
  struct Case {
    double hz;
    std::vector<double> at;
  };
  for (const Case& c : {Case{800.0, {1.0, 3.0}}, Case{100.0, {2.0, 4.0}}, Case{100.0 * std::exp2(1.5), {0.5, 1.5, 2.5}}}) {
    wah.Reset();
    Buffer in = Sine(c.hz, 4.6, 0.5);
    Buffer out = in;
    RunFx(wah, out, 256);
    for (double t : c.at) {
      double found = QuietestMoment(out, t - 0.3, t + 0.3);
      EXPECT_NEAR(found, t, 0.04) << c.hz << " Hz, expected near " << t << " s";
      size_t mid = static_cast<size_t>(found * kRate);
      EXPECT_LT(RmsDb(out, 0, mid - kRate / 100, mid + kRate / 100), RmsDb(in, 0, 0, kRate) - 20.0);
    }
  }
  // The reported notch follows the same course.
  wah.Reset();
  Buffer s = Silence(1.0);
  RunFx(wah, s);
  EXPECT_NEAR(wah.NotchHz(), 800.0, 1.0);
}

TEST(AutoWahTest, PresetsStayBounded) {
  const float presets[3][6] = {{0.5f, 1.5f, 0.5f, 2, 4.3f, 50}, {0.5f, 1.5f, 0.5f, 5, 5.3f, 50},
                               {0.5f, 1.5f, 0.5f, 5, 4.3f, 500}};
  Buffer noise = Noise(20.0, 0.5, 5);
  for (const auto& p : presets) {
    AutoWah wah(kRate);
    ASSERT_TRUE(Set(wah, WahP(p[0], p[1], p[2], p[3], p[4], p[5])));
    Buffer buf = noise;
    RunFx(wah, buf);
    EXPECT_LT(PeakAbs(buf), 10.0);
    EXPECT_TRUE(std::isfinite(PeakAbs(buf)));
  }
}

namespace {
struct Kind {
  int32_t type;
  bool decays;  // whether the extreme setting dies away within seconds
  std::function<void(void*)> extreme;  // fills a record with values at or beyond the limits
  std::function<void(void*)> nan;
};

std::vector<Kind> Kinds() {
  return {
      {kFxPeakEq, true, [](void* r) { *static_cast<PeakEqParams*>(r) = {0, 10.0f, 0.0f, 20000.0f, 15.0f, -1}; },
       [](void* r) { *static_cast<PeakEqParams*>(r) = {0, 1.0f, 0.0f, 1000.0f, NAN, -1}; }},
      {kFxCompressor, true, [](void* r) { *static_cast<CompressorParams*>(r) = {60.0f, -60.0f, 100.0f, 0.01f, 0.01f, -1}; },
       [](void* r) { *static_cast<CompressorParams*>(r) = {0.0f, -20.0f, INFINITY, 10.0f, 100.0f, -1}; }},
      {kFxAllPass, false, [](void* r) { *static_cast<AllPassParams*>(r) = {1.0f, 9.0f, -1}; },
       [](void* r) { *static_cast<AllPassParams*>(r) = {NAN, 0.1f, -1}; }},
      {kFxAutoWah, true, [](void* r) { *static_cast<AutoWahParams*>(r) = {2.0f, -2.0f, 1.0f, 10.0f, 10.0f, 1000.0f, -1}; },
       [](void* r) { *static_cast<AutoWahParams*>(r) = {1.0f, 1.0f, 0.5f, -INFINITY, 2.0f, 100.0f, -1}; }},
      {kFxChorus, false, [](void* r) { *static_cast<ChorusParams*>(r) = {2.0f, 2.0f, -1.0f, 2000.0f, 0.0f, 999.0f, -1}; },
       [](void* r) { *static_cast<ChorusParams*>(r) = {1.0f, 0.5f, 0.5f, 1.0f, NAN, 1.0f, -1}; }},
      {kFxEcho, true, [](void* r) { *static_cast<EchoParams*>(r) = {2.0f, 2.0f, 1.0f, 0.0f, -1}; },
       [](void* r) { *static_cast<EchoParams*>(r) = {1.0f, NAN, 0.5f, 0.5f, -1}; }},
      {kFxReverb, true, [](void* r) { *static_cast<ReverbParams*>(r) = {5.0f, 10000}; },
       [](void* r) { *static_cast<ReverbParams*>(r) = {INFINITY, 2000}; }},
  };
}
}  // namespace

TEST(EveryEffectTest, FactorySizesAndUnknownTypes) {
  for (const Kind& k : Kinds()) {
    auto fx = CreateEffect(k.type, kRate);
    ASSERT_NE(fx, nullptr) << k.type;
    EXPECT_GT(ParamSize(k.type), 0u);
    EXPECT_FALSE(fx->SetParameters(nullptr));
    fx->GetParameters(nullptr);
  }
  EXPECT_EQ(ParamSize(kFxPeakEq), 24u);
  EXPECT_EQ(ParamSize(kFxReverb), 8u);
  EXPECT_EQ(CreateEffect(0x10001, kRate), nullptr);
  EXPECT_EQ(ParamSize(0x10001), 0u);
  EXPECT_EQ(CreateEffect(kFxEcho, 0), nullptr);
  EXPECT_EQ(CreateEffect(kFxEcho, -44100), nullptr);
}

TEST(EveryEffectTest, ExtremesStayBoundedNonsenseIsRefusedBlocksDoNotMatter) {
  Buffer noise = Noise(8.0, 0.5, 21);
  for (const Kind& k : Kinds()) {
    SCOPED_TRACE(testing::Message() << std::hex << k.type);
    alignas(8) unsigned char rec[64] = {}, before[64] = {}, after[64] = {};
    auto a = CreateEffect(k.type, kRate), b = CreateEffect(k.type, kRate);
    k.extreme(rec);
    ASSERT_TRUE(a->SetParameters(rec));
    ASSERT_TRUE(b->SetParameters(rec));
    a->GetParameters(before);
    k.nan(rec);
    EXPECT_FALSE(a->SetParameters(rec));
    a->GetParameters(after);
    EXPECT_EQ(std::memcmp(before, after, ParamSize(k.type)), 0);

    Buffer one = noise, two = noise;
    RunFx(*a, one, 512);
    // Blocks of odd sizes, as a device might pull them.
    size_t frames = two.size() / 2, i = 0, step = 1;
    while (i < frames) {
      size_t n = std::min(frames - i, step);
      b->Process(two.data() + i * 2, n);
      i += n;
      step = step * 7 % 1999 + 1;
    }
    EXPECT_EQ(one, two);
    double peak = PeakAbs(one);
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_LT(peak, 2000.0);
    // After the input stops, the output dies away (no stuck denormals or runaway state).
    if (!k.decays) continue;
    Buffer tail = Silence(20.0);
    RunFx(*a, tail);
    EXPECT_LT(RmsDb(tail, 0, tail.size() / 2 - kRate, tail.size() / 2), -100.0);
  }
}

TEST(EveryEffectTest, ChannelMaskLeavesTheRightChannelUntouched) {
  Buffer noise = Noise(1.0, 0.5, 2);
  for (const Kind& k : Kinds()) {
    if (k.type == kFxReverb) continue;  // has no channel field
    alignas(8) unsigned char rec[64] = {};
    k.extreme(rec);
    // lChannel is always the last field.
    std::memcpy(rec + ParamSize(k.type) - 4, "\x01\x00\x00\x00", 4);
    auto fx = CreateEffect(k.type, kRate);
    ASSERT_TRUE(fx->SetParameters(rec));
    Buffer buf = noise;
    RunFx(*fx, buf);
    EXPECT_EQ(Channel(buf, 1), Channel(noise, 1)) << std::hex << k.type;
    EXPECT_NE(Channel(buf, 0), Channel(noise, 0)) << std::hex << k.type;
  }
}

TEST(EveryEffectTest, FreshEffectsAndZeroSettingsLeaveTheSoundAlone) {
  // Until the chain sets parameters, a new effect must not silence or change the channel.
  Buffer noise = Noise(0.5, 0.5, 4);
  for (const Kind& k : Kinds()) {
    if (k.type == kFxCompressor) continue;  // its defaults are a working compressor
    auto fx = CreateEffect(k.type, kRate);
    Buffer buf = noise;
    RunFx(*fx, buf);
    EXPECT_EQ(buf, noise) << std::hex << k.type;
  }
  // An all-pass without delay is the identity, and it fades out rather than jumping.
  auto ap = CreateEffect(kFxAllPass, kRate);
  AllPassParams p{0.6f, 0.05f, -1};
  ASSERT_TRUE(ap->SetParameters(&p));
  Buffer buf = noise;
  RunFx(*ap, buf);
  p.fDelay = 0.0f;
  ASSERT_TRUE(ap->SetParameters(&p));
  buf = Sine(300.0, 1.0, 0.5);
  RunFx(*ap, buf);
  Buffer plain = Sine(300.0, 1.0, 0.5);
  EXPECT_TRUE(std::equal(buf.begin() + kRate, buf.end(), plain.begin() + kRate));
}

TEST(EveryEffectTest, LevelChangesWhilePlayingDoNotJump) {
  struct Case {
    int32_t type;
    std::function<void(void*, bool)> fill;  // before (false) or after (true) the change
    double amplitude;
  };
  const std::vector<Case> cases = {
      {kFxEcho, [](void* r, bool b) { *static_cast<EchoParams*>(r) = {b ? 0.0f : 1.0f, b ? 1.0f : 0.0f, 0.3f, 0.1f, -1}; }, 0.5},
      {kFxChorus, [](void* r, bool b) { *static_cast<ChorusParams*>(r) = {b ? -1.0f : 1.0f, 0.3f, 0.5f, 1.0f, 5.0f, 1.0f, -1}; }, 0.5},
      {kFxAutoWah, [](void* r, bool b) { *static_cast<AutoWahParams*>(r) = {1.0f, b ? 1.0f : 0.0f, 0.5f, 2.0f, 4.0f, 100.0f, -1}; }, 0.5},
      {kFxReverb, [](void* r, bool b) { *static_cast<ReverbParams*>(r) = {b ? 0.0f : 2.0f, 2000}; }, 0.5},
      {kFxCompressor, [](void* r, bool b) { *static_cast<CompressorParams*>(r) = {b ? 20.0f : 0.0f, -15.0f, 3.0f, 10.0f, 200.0f, -1}; }, 0.05},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.type);
    auto fx = CreateEffect(c.type, kRate);
    alignas(8) unsigned char rec[64] = {};
    c.fill(rec, false);
    ASSERT_TRUE(fx->SetParameters(rec));
    fx->Reset();
    Buffer buf = Sine(200.0, 3.0, c.amplitude);
    const size_t at = 2 * kRate + kRate / 800;  // near a peak of the tone
    fx->Process(buf.data(), at);
    c.fill(rec, true);
    ASSERT_TRUE(fx->SetParameters(rec));
    fx->Process(buf.data() + at * 2, buf.size() / 2 - at);
    double steady = std::max(MaxStep(buf, 0, at - kRate / 2, at - 10), MaxStep(buf, 0, at + kRate / 2, buf.size() / 2));
    EXPECT_LE(MaxStep(buf, 0, at - 10, at + 2000), steady * 1.5);
  }
}
