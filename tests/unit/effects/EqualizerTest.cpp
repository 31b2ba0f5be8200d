// The equaliser and compressor texts: parsing every documented form, and applying them to a
// real stream (the boost is heard, a shorter text leaves no band behind, no band detaches).
#include <cmath>

#include "effects/Equalizer.h"
#include "unit/effects/EffectsFixture.h"

namespace {

using alib::dsp::CompressorParams;
using alib::dsp::PeakEqParams;
using fxtest::Fixture;

std::vector<PeakEqParams> Bands(const std::string& t) {
  std::vector<PeakEqParams> b;
  ParseEqualizerText(t, b);
  return b;
}

TEST(EqualizerText, EntriesInEveryDocumentedForm) {
  auto d = Bands("60\xC2\xA7" "2;250\xC2\xA7" "2;1000\xC2\xA7" "2;3500\xC2\xA7" "2;10000\xC2\xA7" "2;");
  ASSERT_EQ(d.size(), 5u);
  const float freqs[] = {60, 250, 1000, 3500, 10000};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(d[i].lBand, i);
    EXPECT_FLOAT_EQ(d[i].fCenter, freqs[i]);
    EXPECT_FLOAT_EQ(d[i].fBandwidth, 2.0f);
    EXPECT_FLOAT_EQ(d[i].fGain, 0.0f);
    EXPECT_FLOAT_EQ(d[i].fQ, 0.0f);
    EXPECT_EQ(d[i].lChannel, -1);
  }
  for (const char* t : {"60\xC2\xA7" "2#3;", "60#3\xC2\xA7" "2;"}) {
    auto b = Bands(t);
    ASSERT_EQ(b.size(), 1u) << t;
    EXPECT_FLOAT_EQ(b[0].fCenter, 60.0f);
    EXPECT_FLOAT_EQ(b[0].fBandwidth, 2.0f);
    EXPECT_FLOAT_EQ(b[0].fGain, 3.0f);
  }
  // No bandwidth, a frequency below 20, a bandwidth above 10: no band. Invalid entries do not
  // take a band number.
  auto m = Bands("60#3;15\xC2\xA7" "2;100\xC2\xA7" "11;20000\xC2\xA7" "0.5#-2.5;");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].lBand, 0);
  EXPECT_FLOAT_EQ(m[0].fCenter, 20000.0f);
  EXPECT_FLOAT_EQ(m[0].fBandwidth, 0.5f);
  EXPECT_FLOAT_EQ(m[0].fGain, -2.5f);
  // Gains beyond the range are clamped; a last entry without ";" is not an entry.
  auto c = Bands("100\xC2\xA7" "1#40;200\xC2\xA7" "1#-99;300\xC2\xA7" "1#5");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_FLOAT_EQ(c[0].fGain, 15.0f);
  EXPECT_FLOAT_EQ(c[1].fGain, -15.0f);
  EXPECT_TRUE(Bands("").empty());
  EXPECT_TRUE(Bands("garbage;;#;\xC2\xA7;").empty());

  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += std::to_string(100 + 100 * i) + "\xC2\xA7" "1#1;";
  auto t = Bands(twenty);
  ASSERT_EQ(t.size(), 15u);
  EXPECT_FLOAT_EQ(t[14].fCenter, 1500.0f);
  EXPECT_EQ(t[14].lBand, 14);

  // A gain too small for a double is flat, not the +15 dB of an overflow; a huge one is +15.
  auto g = Bands("1000\xC2\xA7" "1#0." + std::string(400, '0') + "1;2000\xC2\xA7" "1#9" + std::string(400, '9') + ";");
  ASSERT_EQ(g.size(), 2u);
  EXPECT_FLOAT_EQ(g[0].fGain, 0.0f);
  EXPECT_FLOAT_EQ(g[1].fGain, 15.0f);
  // Millions of empty entries after the bands: the same bands.
  EXPECT_EQ(Bands(twenty + std::string(4000000, ';')).size(), 15u);
  EXPECT_EQ(Bands(std::string(4000000, ';')).size(), 0u);
}

TEST(CompressorText, FieldsAreClampedAndEmptyOnesTakeTheDefaults) {
  CompressorParams p = ParseCompressorText("100;0;0;0;0;");
  EXPECT_FLOAT_EQ(p.fGain, 60.0f);
  EXPECT_FLOAT_EQ(p.fAttack, 0.01f);
  EXPECT_FLOAT_EQ(p.fRelease, 0.01f);
  EXPECT_FLOAT_EQ(p.fThreshold, 0.0f);
  EXPECT_FLOAT_EQ(p.fRatio, 1.0f);

  CompressorParams tail = ParseCompressorText("1;2;3;-4;5;" + std::string(4000000, ';'));
  EXPECT_FLOAT_EQ(tail.fGain, 1.0f);
  EXPECT_FLOAT_EQ(tail.fRatio, 5.0f);

  CompressorParams e = ParseCompressorText("");
  EXPECT_FLOAT_EQ(e.fGain, 0.0f);
  EXPECT_FLOAT_EQ(e.fThreshold, -15.0f);
  EXPECT_FLOAT_EQ(e.fRatio, 3.0f);
  EXPECT_FLOAT_EQ(e.fAttack, 10.0f);
  EXPECT_FLOAT_EQ(e.fRelease, 200.0f);
  EXPECT_EQ(e.lChannel, -1);

  // The models, written and read back unchanged.
  ASSERT_EQ(CompressorModels().size(), 2u);
  EXPECT_STREQ(CompressorModels()[1].name, "Compressor 2");
  const CompressorParams& m = CompressorModels()[1].params;
  std::string text = CompressorText(m);
  EXPECT_EQ(text, "3.0000000000;10.0000000000;200.0000000000;-20.0000000000;3.0000000000;");
  EXPECT_EQ(CompressorText(ParseCompressorText(text)), text);
  EXPECT_EQ(CompressorText(CompressorModels()[0].params),
            "0.0000000000;10.0000000000;200.0000000000;-15.0000000000;3.0000000000;");
}

class OutputEqualizer : public Fixture {
 protected:
  // RMS of the Output over one second, after half a second for parameter glides.
  double Level() {
    Render(0.5);
    return testmedia::Rms(Render(1.0), 0, 44100);
  }
  int Count(const AppliedEffectList& l, int32_t type) {
    int n = 0;
    for (const auto& e : l.items) n += e.type == type;
    return n;
  }
};

TEST_F(OutputEqualizer, BandsAreHeardAndAShorterTextLeavesNoneBehind) {
  OpenDevices();
  uint32_t h = Play(fxtest::Tone());
  AppliedEffectList list;
  double flat = Level();
  ASSERT_GT(flat, 0.05);

  ApplyEqualizer(h, list, "1000\xC2\xA7" "1#0;440\xC2\xA7" "1#15;");
  EXPECT_EQ(Count(list, alib::kFxPeakEq), 1);
  double boosted = Level();
  EXPECT_NEAR(boosted / flat, std::pow(10.0, 15.0 / 20.0), 0.5);

  uint32_t fx = list.items[0].handle;
  ApplyEqualizer(h, list, "1000\xC2\xA7" "1#0;");
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].handle, fx);
  EXPECT_NEAR(Level() / flat, 1.0, 0.05);

  // No valid band: the equaliser goes away.
  ApplyEqualizer(h, list, "60#3;15\xC2\xA7" "2;");
  EXPECT_EQ(Count(list, alib::kFxPeakEq), 0);
  EXPECT_NEAR(Level() / flat, 1.0, 0.02);
  ApplyEqualizer(0, list, "440\xC2\xA7" "1#15;");
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

TEST_F(OutputEqualizer, TheCompressorIsDetachedOnlyWhenGainAndThresholdAreBothZero) {
  OpenDevices();
  uint32_t h = Play(fxtest::Tone());
  AppliedEffectList list;
  double flat = Level();

  ApplyCompressor(h, list, "");
  EXPECT_EQ(Count(list, alib::kFxCompressor), 1);
  // Threshold 0 is above the tone: only the 12 dB make-up gain acts.
  ApplyCompressor(h, list, "12;10;200;0;1;");
  ASSERT_EQ(Count(list, alib::kFxCompressor), 1);
  EXPECT_NEAR(Level() / flat, std::pow(10.0, 12.0 / 20.0), 0.3);
  CompressorParams now;
  ASSERT_TRUE(alib::FXGetParameters(list.items[0].handle, &now));
  EXPECT_FLOAT_EQ(now.fGain, 12.0f);
  EXPECT_EQ(now.lChannel, -1);

  ApplyCompressor(h, list, "0;-10;0;0;2;");
  EXPECT_EQ(Count(list, alib::kFxCompressor), 0);
  EXPECT_NEAR(Level() / flat, 1.0, 0.02);
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

TEST_F(OutputEqualizer, AFailedBandIsLoggedWithItsValues) {
  OpenDevices();
  uint32_t h = Play(fxtest::Tone());
  AppliedEffectList list;
  ApplyEqualizer(h, list, "440\xC2\xA7" "1#6;");
  uint32_t fx = list.items.at(0).handle;
  // The effect is removed behind the list's back: setting its bands now fails.
  ASSERT_TRUE(alib::ChannelRemoveFX(h, fx));
  ApplyEqualizer(h, list, "440\xC2\xA7" "2#-6;");
  EXPECT_NE(LogText().find("! BASS_ERROR_HANDLE. - ParamEQ_ChannelUpdate(), BASS_FXSetParameters((" +
                           std::to_string(fx) + ", FQ=440 BW=2 Gn=-6 Band=0"),
            std::string::npos)
      << LogText();
}

}  // namespace
