// The effect-set file: defaults, limits, the exact written form and a round trip; the presets.
#include "app/ListModel.h"
#include "effects/EffectSets.h"
#include "unit/effects/EffectsFixture.h"

namespace {

using fxtest::Fixture;

class EffectsFile : public Fixture {};

TEST_F(EffectsFile, AMissingFileGivesNumberedSetsWithEffectsOffAtTheirDefaults) {
  EXPECT_FALSE(LoadEffectSets());
  ASSERT_EQ(EffectSets().size(), 10u);
  EXPECT_EQ(EffectFlags(), 1);
  EXPECT_EQ(CurrentEffectSetIndex(), 0);
  EXPECT_EQ(EffectSets()[0].Name, "No effect");
  EXPECT_EQ(EffectSets()[0].APFEnable + EffectSets()[0].ReverbEnable, 0);
  EXPECT_EQ(EffectSets()[0].Reverb.lDelay, 0);
  for (int n = 1; n <= 9; ++n) {
    const EffectSet& s = EffectSets()[n];
    EXPECT_EQ(s.Name, "Effect " + std::to_string(n));
    EXPECT_EQ(s.APFEnable + s.AutoWahEnable + s.ChorusEnable + s.Echo2Enable + s.ReverbEnable, 0);
    EXPECT_FLOAT_EQ(s.APF.fGain, 0.6f);
    EXPECT_FLOAT_EQ(s.APF.fDelay, 0.05f);
    EXPECT_FLOAT_EQ(s.AutoWah.fFreq, 100.0f);
    EXPECT_FLOAT_EQ(s.Chorus.fWetMix, 0.35f);
    EXPECT_FLOAT_EQ(s.Echo2.fDelay, 1.0f);
    EXPECT_FLOAT_EQ(s.Reverb.fLevel, 0.6f);
    EXPECT_EQ(s.Reverb.lDelay, 1200);
  }
  EXPECT_EQ(EffectSetName(0), "No effect");
  EXPECT_EQ(EffectSetName(4), "Effect 4");
}

TEST_F(EffectsFile, ValuesAreLimitedAndGroupOneIsIgnored) {
  testenv::WriteBytes(EffectSetsFilePath(),
                      "\xEF\xBB\xBF\r\n; comment\r\nFlags = 3\r\n"
                      "[1]\r\nName = Hand made\r\nAPF_Enable = 1\r\n"
                      "[2]\r\nname = Voice  \r\napf_enable = 1\r\nAPF_fGain = 3\r\nAPF_fDelay =\r\n"
                      "AutoWah_fFreq = -5\r\nChorus_fRate = abc\r\nChorus_fMaxSweep = 2.5ms\r\n"
                      "RVB_lDelay = 5000.6\r\nRVB_Enable = 2x\r\nEcho2_fDelay = 99999999999999999999999\r\n"
                      "Echo2_fFeedback = -.5\r\nAPF_fGain = 0\r\n"
                      "[10]\r\nName = \r\nRVB_lDelay = 12\r\nEcho2_Enable = yes\r\n");
  EXPECT_TRUE(LoadEffectSets());
  EXPECT_EQ(EffectFlags(), 3);
  const EffectSet& s = EffectSets()[1];
  EXPECT_EQ(s.Name, "Voice");
  EXPECT_EQ(s.APFEnable, 1);
  EXPECT_FLOAT_EQ(s.APF.fGain, 1.0f);    // 3, the first occurrence, limited
  EXPECT_FLOAT_EQ(s.APF.fDelay, 0.05f);  // empty: the default
  EXPECT_FLOAT_EQ(s.AutoWah.fFreq, 0.0f);
  EXPECT_FLOAT_EQ(s.Chorus.fRate, 0.0f);
  EXPECT_FLOAT_EQ(s.Chorus.fMaxSweep, 2.5f);
  EXPECT_EQ(s.Reverb.lDelay, 5001);
  EXPECT_EQ(s.ReverbEnable, 2);
  EXPECT_FLOAT_EQ(s.Echo2.fDelay, 5.0f);
  EXPECT_FLOAT_EQ(s.Echo2.fFeedback, -0.5f);
  const EffectSet& last = EffectSets()[9];
  EXPECT_EQ(last.Name, "Effect 9");
  EXPECT_EQ(last.Reverb.lDelay, 1200);
  EXPECT_EQ(last.Echo2Enable, 0);
  for (int n = 2; n <= 8; ++n) EXPECT_EQ(EffectSets()[n].APFEnable, 0) << n;

  EXPECT_FLOAT_EQ(ReadLimitedFloat("  ", -1, 1, 0.25f), 0.25f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat(" -0.75 ", -1, 1, 0.25f), -0.75f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("nan", -1, 1, 0.25f), 0.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("-inf", -1, 1, 0.25f), 0.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("1e3", 0, 1000, 5), 1.0f);
  // Beyond a double's range: too small is 0, too large the limit of its sign.
  const std::string tiny = "0." + std::string(400, '0') + "1";
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_FLOAT_EQ(ReadLimitedFloat(tiny, 0, 5, 1), 0.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("-" + tiny, -15, 15, 1), 0.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat(huge, 0, 5, 1), 5.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("-" + huge + ".5", -2, 2, 1), -2.0f);
  EXPECT_FLOAT_EQ(ReadLimitedFloat("000" + tiny, 0, 5, 1), 0.0f);
}

TEST_F(EffectsFile, SavedExactlyAndReadBackUnchanged) {
  LoadEffectSets();
  SetEffectFlags(2);
  EffectSet& s = EffectSets()[4];
  s.Name = "Hall\r\nRVB_lDelay = 9";
  s.ReverbEnable = 1;
  s.Reverb = {2.5f, 4321};
  s.ChorusEnable = 1;
  ApplyPreset(3, &s.Chorus);
  s.Echo2.fFeedback = -0.7f;
  ASSERT_TRUE(SaveEffectSets());

  std::string bytes = testenv::ReadBytes(EffectSetsFilePath());
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF\r\n; Effectes fpr Tondrial version 0,4,1210,2500\r\n; Updated : ", 0), 0u);
  EXPECT_NE(bytes.find("\r\nFlags = 2\r\n[2]\r\nName = Effect 1\r\nAPF_Enable = 0\r\n"
                       "APF_fDelay = 0.0500000007\r\nAPF_fGain = 0.6000000238\r\n"),
            std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find("Chorus_fDryMix = 1.0000000000\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("AutoWah_fFreq = 100.0000000000\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("[5]\r\nName = Hall  RVB_lDelay = 9\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("RVB_Enable = 1\r\nRVB_lDelay = 4321\r\nRVB_fLevel = 2.5000000000\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("[1]"), std::string::npos);
  EXPECT_EQ(bytes.find("No effect"), std::string::npos);
  EXPECT_NE(bytes.find("[10]\r\n"), std::string::npos);
  // One group holds its keys in the written order.
  const char* keys[] = {"Name", "APF_Enable", "APF_fDelay", "APF_fGain", "AutoWah_Enable", "AutoWah_fDryMix",
                        "AutoWah_fWetMix", "AutoWah_fFeedback", "AutoWah_fRate", "AutoWah_fRange", "AutoWah_fFreq",
                        "Chorus_Enable", "Chorus_fDryMix", "Chorus_fWetMix", "Chorus_fFeedback", "Chorus_fMinSweep",
                        "Chorus_fMaxSweep", "Chorus_fRate", "Echo2_Enable", "Echo2_fFeedback", "Echo2_fDelay",
                        "Echo2_fDryMix", "Echo2_fWetMix", "RVB_Enable", "RVB_lDelay", "RVB_fLevel"};
  size_t group = bytes.find("[5]\r\n"), pos = group;
  for (const char* k : keys) {
    size_t at = bytes.find(std::string("\r\n") + k + " = ", pos);
    ASSERT_NE(at, std::string::npos) << k;
    EXPECT_LT(at, bytes.find("[6]")) << k;
    pos = at + 1;
  }
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

  ResetEffectSets();
  ASSERT_TRUE(LoadEffectSets());
  EXPECT_EQ(EffectFlags(), 2);
  EXPECT_EQ(EffectSets()[4].Reverb.lDelay, 4321);
  EXPECT_EQ(EffectSets()[4].Chorus.fMaxSweep, 50.0f);
  // Written again from what was read: the same bytes.
  ASSERT_TRUE(SaveEffectSets());
  EXPECT_EQ(testenv::ReadBytes(EffectSetsFilePath()), bytes);
}

TEST_F(EffectsFile, SetsNeverLoadedAreNotWrittenOverTheFile) {
  testenv::WriteBytes(EffectSetsFilePath(), "[2]\r\nName = Keep me\r\n");
  EXPECT_FALSE(SaveEffectSets());
  EXPECT_EQ(testenv::ReadBytes(EffectSetsFilePath()), "[2]\r\nName = Keep me\r\n");
  // An unwritable folder: nothing written, no message, the old sets stay in memory.
  LoadEffectSets();
  App.PrefPath = "/proc/no-such-folder/";
  EXPECT_FALSE(SaveEffectSets());
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_EQ(EffectSets()[1].Name, "Keep me");
}

TEST(EffectPresets, FillModeListsTheNamesAndNormalModeWritesOnlyTheParameters) {
  ListModel list;
  list.InsertRow(-1, {"old"}, 0);
  EXPECT_EQ(ApplyPreset(-1, static_cast<alib::dsp::ChorusParams*>(nullptr), &list), "");
  ASSERT_EQ(list.Count(), 8);
  EXPECT_EQ(list.Text(1, 0), "Exaggerated chorus leads to multiple pitch shifted voices");
  EXPECT_EQ(list.Text(4, 0), "Who say that there're not many voices?");
  EXPECT_EQ(list.FirstSelected(), 0);
  ApplyPreset(-1, static_cast<alib::dsp::EchoParams*>(nullptr), &list);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(2, 0), "Reverse Echoes");

  alib::dsp::ChorusParams c{};
  c.lChannel = 7;
  EXPECT_EQ(ApplyPreset(3, &c), "Devil");
  EXPECT_FLOAT_EQ(c.fDryMix, 0.9f);
  EXPECT_FLOAT_EQ(c.fWetMix, 0.35f);
  EXPECT_FLOAT_EQ(c.fFeedback, 0.5f);
  EXPECT_FLOAT_EQ(c.fMinSweep, 1.0f);
  EXPECT_FLOAT_EQ(c.fMaxSweep, 50.0f);
  EXPECT_FLOAT_EQ(c.fRate, 200.0f);
  EXPECT_EQ(c.lChannel, 7);
  alib::dsp::ChorusParams before = c;
  EXPECT_EQ(ApplyPreset(8, &c), "");
  EXPECT_EQ(ApplyPreset(-1, &c), "");
  EXPECT_FLOAT_EQ(c.fMaxSweep, before.fMaxSweep);
  EXPECT_EQ(ApplyPreset(2, static_cast<alib::dsp::EchoParams*>(nullptr)), "Reverse Echoes");

}

}  // namespace
