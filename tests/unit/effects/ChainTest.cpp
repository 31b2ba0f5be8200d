// The effect chain on a real playing stream: sets applied in place, detached one by one,
// heard in the mix; failures logged and the list left as it was.
#include <cmath>
#include <limits>

#include "effects/EffectChain.h"
#include "unit/effects/EffectsFixture.h"

namespace {

using fxtest::Fixture;

std::vector<int32_t> Types(const AppliedEffectList& l) {
  std::vector<int32_t> t;
  for (const auto& e : l.items) t.push_back(e.type);
  return t;
}

uint32_t HandleOf(const AppliedEffectList& l, int32_t type) {
  for (const auto& e : l.items)
    if (e.type == type) return e.handle;
  return 0;
}

class Chain : public Fixture {};

TEST_F(Chain, ASetAppliedAgainKeepsItsEffectsAndDisablingOneDetachesOnlyIt) {
  OpenDevices();
  LoadEffectSets();
  EffectSet& s = EffectSets()[3];
  s.APFEnable = s.AutoWahEnable = s.ChorusEnable = s.Echo2Enable = s.ReverbEnable = 1;
  uint32_t h = Play(fxtest::Tone());
  AppliedEffectList list;

  ApplyEffectSetByIndex(h, list, 3);
  const std::vector<int32_t> order = {alib::kFxAllPass, alib::kFxAutoWah, alib::kFxChorus, alib::kFxEcho,
                                      alib::kFxReverb};
  ASSERT_EQ(Types(list), order);
  AppliedEffectList before = list;
  Render(0.5);

  ApplyEffectSetByIndex(h, list, 3);
  ASSERT_EQ(list.items.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(list.items[i].handle, before.items[i].handle);

  s.ChorusEnable = 0;
  s.Echo2.fDelay = 0.3f;
  ApplyEffectSetByIndex(h, list, 3);
  EXPECT_EQ(Types(list), (std::vector<int32_t>{alib::kFxAllPass, alib::kFxAutoWah, alib::kFxEcho, alib::kFxReverb}));
  for (int32_t t : {alib::kFxAllPass, alib::kFxAutoWah, alib::kFxEcho, alib::kFxReverb})
    EXPECT_EQ(HandleOf(list, t), HandleOf(before, t));
  // The chorus is gone from the channel, the echo took its new delay in place.
  alib::dsp::ChorusParams cp;
  EXPECT_FALSE(alib::FXGetParameters(HandleOf(before, alib::kFxChorus), &cp));
  alib::dsp::EchoParams ep;
  ASSERT_TRUE(alib::FXGetParameters(HandleOf(list, alib::kFxEcho), &ep));
  EXPECT_FLOAT_EQ(ep.fDelay, 0.3f);
  EXPECT_EQ(ep.lChannel, -1);

  // The set itself keeps what the user made; its channel fields are set only in what is applied.
  EXPECT_EQ(EffectSets()[3].Echo2.lChannel, -1);

  std::vector<float> out = Render(1.0);
  for (float v : out) ASSERT_TRUE(std::isfinite(v));
  EXPECT_GT(testmedia::Rms(out, 0, 44100), 0.01);

  ApplyEffectSet(h, list, nullptr);
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

TEST_F(Chain, AnEchoSetIsHeardHalfASecondLate) {
  OpenDevices();
  LoadEffectSets();
  EffectSet& s = EffectSets()[1];
  s.Echo2Enable = 1;
  s.Echo2 = {0.0f, 1.0f, 0.0f, 0.5f, 0};
  uint32_t dry = Play(fxtest::SilenceThenTone());
  long dryOnset = testmedia::Onset(Render(7.0), 0.1f);
  alib::ChannelStop(dry);

  uint32_t h = Play(fxtest::SilenceThenTone());
  AppliedEffectList list;
  ApplyEffectSetByIndex(h, list, 1);
  long wetOnset = testmedia::Onset(Render(7.0), 0.1f);
  ASSERT_GT(dryOnset, 0);
  ASSERT_GT(wetOnset, 0);
  EXPECT_NEAR(double(wetOnset - dryOnset) / 44100.0, 0.5, 0.01);
}

TEST_F(Chain, NothingLoadedMeansNothingApplied) {
  LoadEffectSets();
  EffectSets()[2].ReverbEnable = 1;
  AppliedEffectList list;
  ApplyEffectSetByIndex(0, list, 2);
  ApplyEffectSet(0, list, nullptr);
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(Chain, AFailedAttachIsLoggedAndLeavesTheListAsItWas) {
  OpenDevices();
  AppliedEffectList list;
  EXPECT_EQ(AttachEffect(12345, alib::kFxChorus, list, "Chorus"), 0u);
  EXPECT_TRUE(list.items.empty());
  std::string log = LogText();
  size_t at = log.find("! BASS_ERROR_HANDLE. - Chorus, BASS_ChannelSetFX((12345)");
  ASSERT_NE(at, std::string::npos) << log;

  // Through a whole set: each effect is simply missing, and ApplyEffect reports no failure.
  LoadEffectSets();
  EffectSets()[5].ChorusEnable = EffectSets()[5].ReverbEnable = 1;
  ApplyEffectSetByIndex(12345, list, 5);
  EXPECT_TRUE(list.items.empty());
  alib::dsp::ReverbParams rp;
  EXPECT_EQ(ApplyEffect(12345, list, alib::kFxReverb, &rp, "Reverb"), 0);
  EXPECT_NE(LogText().find("! BASS_ERROR_HANDLE. - Reverb, BASS_ChannelSetFX((12345)"), std::string::npos);
}

TEST_F(Chain, FailedParametersAreReportedAndTheEffectKeepsItsOldOnes) {
  OpenDevices();
  uint32_t h = Play(fxtest::Tone());
  AppliedEffectList list;
  alib::dsp::EchoParams good{1.0f, 0.5f, 0.0f, 0.25f, -1};
  EXPECT_EQ(ApplyEffect(h, list, alib::kFxEcho, &good, "Echo2"), 0);
  uint32_t fx = list.items.at(0).handle;
  alib::dsp::EchoParams bad = good;
  bad.fDelay = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(ApplyEffect(h, list, alib::kFxEcho, &bad, "Echo2"), 1);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].handle, fx);
  alib::dsp::EchoParams now;
  ASSERT_TRUE(alib::FXGetParameters(fx, &now));
  EXPECT_FLOAT_EQ(now.fDelay, 0.25f);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", fx);
  std::string log = LogText();
  EXPECT_NE(log.find(std::string("! BASS_ERROR_ILLPARAM. BASS_FXSetParameters((") + hex + ", "), std::string::npos)
      << log;
  EXPECT_NE(log.find(") For Echo2"), std::string::npos);

  // Detaching logs nothing when the library agrees, and the list forgets the effect.
  ResetLog();
  DetachEffect(h, alib::kFxEcho, list, "Echo2");
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(HasEffect(alib::kFxEcho, list), 0);
  EXPECT_EQ(LogText(), "");
}

TEST_F(Chain, SelectingASetClampsTheIndexToTheList) {
  EXPECT_EQ(SelectEffectSet(3), 0);  // nothing loaded yet
  LoadEffectSets();
  EXPECT_EQ(SelectEffectSet(12), 1);
  EXPECT_EQ(CurrentEffectSetIndex(), 9);
  EXPECT_EQ(SelectEffectSet(-1), 1);
  EXPECT_EQ(CurrentEffectSetIndex(), 0);
  EXPECT_EQ(SelectEffectSet(4), 1);
  EXPECT_EQ(SelectEffectSet(4), 1);
  EXPECT_EQ(CurrentEffectSetIndex(), 4);
  EXPECT_EQ(CurrentEffectSet(), &EffectSets()[4]);
}

}  // namespace
