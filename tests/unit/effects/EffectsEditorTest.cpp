// The effects window's logic: control values and their texts, opening, presets and keys,
// what confirming and cancelling keep, and the test heard on the Monitor and the Output.
#include <cmath>

#include "app/AppHooks.h"
#include "effects/EffectHooks.h"
#include "effects/EffectsEditor.h"
#include "unit/effects/EffectsFixture.h"

namespace {

// Indexes of the parameter controls used below.
constexpr int kAPFGain = 0, kAPFDelay = 1, kWahRange = 6, kWahFreq = 7, kChorusDry = 8, kChorusWet = 9,
              kChorusMax = 12, kEchoDelay = 17, kReverbDelay = 19;

class EffectsEditorTest : public fxtest::Fixture {
 protected:
  void SetUp() override {
    fxtest::Fixture::SetUp();
    SetEffectTargets(nullptr);
    fxtest::SetLangText("Time.Second", "seconds");
    fxtest::SetLangText("Effects\\Title.Edit", "Edit effect %s1%");
  }
  void TearDown() override {
    SetEffectTargets(nullptr);
    fxtest::Fixture::TearDown();
  }
  static double Rms(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
    return std::sqrt(sum / double(a.size()));
  }
};

TEST_F(EffectsEditorTest, ControlValuesMapToParametersAndTexts) {
  EffectSet s;
  SetEffectParam(s, kWahRange, 15);
  EXPECT_FLOAT_EQ(s.AutoWah.fRange, 1.5f);
  EXPECT_EQ(EffectParamText(kWahRange, 15), "1.5");
  EXPECT_EQ(EffectParamText(kWahFreq, 1000), "1 KHz");
  EXPECT_EQ(EffectParamText(kWahFreq, 999), "999 Hz");
  EXPECT_EQ(EffectParamText(kWahFreq, 0), "0 Hz");
  SetEffectParam(s, kReverbDelay, 250);
  EXPECT_EQ(s.Reverb.lDelay, 2500);
  EXPECT_EQ(EffectParamText(kReverbDelay, 250), "2500 ms");
  s.Reverb.lDelay = 1205;
  EXPECT_EQ(EffectControlFromSet(s, kReverbDelay), 120);
  EXPECT_EQ(EffectParamText(kChorusWet, -7), "-0.35");
  EXPECT_EQ(EffectParamText(kChorusWet, 0), "0.00");
  SetEffectParam(s, kChorusWet, 7);
  EXPECT_FLOAT_EQ(s.Chorus.fWetMix, 0.35f);
  EXPECT_EQ(EffectParamText(kEchoDelay, 25), "2.5 seconds");
  EXPECT_EQ(EffectParamText(kAPFDelay, 50), "50 ms");
  EXPECT_EQ(EffectParamText(kAPFGain, -6), "-0.6");
  EXPECT_EQ(EffectParamText(kChorusMax, 400), "400 ms");

  // Opening values are the nearest control step, kept inside the control's range.
  s.APF.fGain = 0.6f;
  s.APF.fDelay = 0.05f;
  s.Chorus.fWetMix = -2.0f;
  s.AutoWah.fFreq = 1000.0f;
  s.Echo2.fDelay = NAN;
  EXPECT_EQ(EffectControlFromSet(s, kAPFGain), 6);
  EXPECT_EQ(EffectControlFromSet(s, kAPFDelay), 50);
  EXPECT_EQ(EffectControlFromSet(s, kChorusWet), -40);
  EXPECT_EQ(EffectControlFromSet(s, kWahFreq), 1000);
  EXPECT_EQ(EffectControlFromSet(s, kEchoDelay), 0);
  s.Reverb.lDelay = 20000;
  EXPECT_EQ(EffectControlFromSet(s, kReverbDelay), 1000);

  // Typed texts are read in the control's own form; 1500 Hz is beyond the control.
  int v = 0;
  EXPECT_TRUE(EffectControlFromText(kWahFreq, "1.5 KHz", v));
  EXPECT_EQ(v, 1000);
  EXPECT_TRUE(EffectControlFromText(kWahFreq, "440 Hz", v));
  EXPECT_EQ(v, 440);
  EXPECT_TRUE(EffectControlFromText(kAPFGain, "0.6", v));
  EXPECT_EQ(v, 6);
  EXPECT_TRUE(EffectControlFromText(kReverbDelay, "2500 ms", v));
  EXPECT_EQ(v, 250);
  EXPECT_TRUE(EffectControlFromText(kEchoDelay, "2.5 seconds", v));
  EXPECT_EQ(v, 25);
  EXPECT_TRUE(EffectControlFromText(kChorusWet, "-0.35", v));
  EXPECT_EQ(v, -7);
  v = 3;
  EXPECT_FALSE(EffectControlFromText(kAPFGain, "ms", v));
  EXPECT_EQ(v, 3);
}

TEST_F(EffectsEditorTest, OpeningFillsTheControlsAndSwitchesTheOutputTestOff) {
  testenv::WriteBytes(EffectSetsFilePath(),
                      "Flags = 3\r\n[3]\r\nName = Hall\r\nRVB_Enable = 1\r\nRVB_lDelay = 1205\r\n"
                      "APF_fGain = -0.4\r\nChorus_fRate = 200\r\n");
  LoadEffectSets();
  EffectsEditor e;
  EXPECT_FALSE(OpenEffectsEditor(e, 0));
  EXPECT_FALSE(OpenEffectsEditor(e, 10));
  EXPECT_FALSE(OpenEffectsEditor(e, -1));
  EXPECT_EQ(EffectFlags(), 3);  // refused openings change nothing

  ASSERT_TRUE(OpenEffectsEditor(e, 2));
  EXPECT_EQ(EffectsEditorTitle(e), "Edit effect Hall");
  EXPECT_EQ(e.name, "Hall");
  EXPECT_TRUE(e.testOnMonitor);
  EXPECT_FALSE(e.testOnOutput);
  EXPECT_EQ(EffectFlags(), 1);
  EXPECT_TRUE(e.enabled[kEffectsPageReverb]);
  EXPECT_FALSE(e.enabled[kEffectsPageChorus]);
  EXPECT_EQ(e.params[kReverbDelay].value, 120);
  EXPECT_EQ(e.params[kAPFGain].value, -4);
  EXPECT_EQ(e.params[13].value, 200);
  EXPECT_EQ(e.presets[kEffectsPageChorus].Count(), 8);
  EXPECT_EQ(e.presets[kEffectsPageChorus].Text(3, 0), "Devil");
  EXPECT_EQ(e.presets[kEffectsPageAPF].FirstSelected(), 0);
  EXPECT_EQ(e.presets[kEffectsPageReverb].Count(), 0);

  // Page keys move a tenth of the range; F1 goes back to the opening value on the all-pass
  // page and to 0 elsewhere.
  StepEffectsParam(e, kAPFGain, true);
  EXPECT_EQ(e.params[kAPFGain].value, -2);
  StepEffectsParam(e, kAPFDelay, false);
  EXPECT_EQ(e.params[kAPFDelay].value, 0);
  ResetEffectsParam(e, kAPFGain);
  EXPECT_EQ(e.params[kAPFGain].value, -4);
  ResetEffectsParam(e, kAPFDelay);
  EXPECT_EQ(e.params[kAPFDelay].value, 50);
  StepEffectsParam(e, kReverbDelay, true);
  EXPECT_EQ(e.params[kReverbDelay].value, 208);
  ResetEffectsParam(e, kReverbDelay);  // 0 is below the range: the lowest value
  EXPECT_EQ(e.params[kReverbDelay].value, 120);
  SetEffectsParam(e, kWahFreq, 1500);
  EXPECT_EQ(e.params[kWahFreq].value, 1000);
}

TEST_F(EffectsEditorTest, PresetsFillTheParametersAndLeaveTheOnOffBox) {
  LoadEffectSets();
  EffectsEditor e;
  ASSERT_TRUE(OpenEffectsEditor(e, 1));
  e.presets[kEffectsPageChorus].SelectOnly(3);  // "Devil"
  ASSERT_TRUE(ApplyEffectsPreset(e, kEffectsPageChorus));
  EXPECT_FALSE(e.enabled[kEffectsPageChorus]);
  EXPECT_EQ(e.params[kChorusDry].value, 9);
  EXPECT_EQ(e.params[kChorusWet].value, 7);
  EXPECT_EQ(e.params[10].value, 5);
  EXPECT_EQ(e.params[11].value, 1);
  EXPECT_EQ(e.params[kChorusMax].value, 50);
  EXPECT_EQ(e.params[13].value, 200);
  e.presets[kEffectsPageAutoWah].SelectOnly(2);  // "Hi Fast Auto Wah"
  ASSERT_TRUE(ApplyEffectsPreset(e, kEffectsPageAutoWah));
  EXPECT_EQ(e.params[kWahFreq].value, 500);
  EXPECT_EQ(e.params[kWahRange].value, 43);
  // Other pages keep their values; no preset list, no selection: nothing happens.
  EXPECT_EQ(e.params[kAPFGain].value, 6);
  EXPECT_FALSE(ApplyEffectsPreset(e, kEffectsPageReverb));
  e.presets[kEffectsPageEcho2].ClearSelection();
  EXPECT_FALSE(ApplyEffectsPreset(e, kEffectsPageEcho2));
  EXPECT_EQ(e.params[kEchoDelay].value, 10);
}

TEST_F(EffectsEditorTest, ConfirmKeepsTheEditAndCancelKeepsOnlyTheTestOptions) {
  LoadEffectSets();
  EffectsEditor e;
  ASSERT_TRUE(OpenEffectsEditor(e, 4));
  e.name = "  Studio  ";
  e.enabled[kEffectsPageEcho2] = true;
  SetEffectsParam(e, kEchoDelay, 25);
  e.testOnMonitor = false;
  CloseEffectsEditor(e, true);
  const EffectSet& s = EffectSets()[4];
  EXPECT_EQ(s.Name, "Studio");
  EXPECT_EQ(s.Echo2Enable, 1);
  EXPECT_FLOAT_EQ(s.Echo2.fDelay, 2.5f);
  EXPECT_FLOAT_EQ(s.APF.fGain, 0.6f);
  EXPECT_EQ(shell.menuText[287], "Studio");
  EXPECT_EQ(shell.menuText[307], "Studio");
  std::string file = testenv::ReadBytes(EffectSetsFilePath());
  EXPECT_NE(file.find("Flags = 0\r\n"), std::string::npos);
  EXPECT_NE(file.find("[5]\r\nName = Studio\r\n"), std::string::npos);
  EXPECT_NE(file.find("Echo2_Enable = 1\r\nEcho2_fFeedback = 0.0000000000\r\nEcho2_fDelay = 2.5000000000\r\n"),
            std::string::npos);

  // Read back from the file, the set is the same.
  LoadEffectSets();
  EXPECT_EQ(EffectSets()[4].Name, "Studio");
  EXPECT_FLOAT_EQ(EffectSets()[4].Echo2.fDelay, 2.5f);

  // Cancel: the set stays, the test options are written.
  ASSERT_TRUE(OpenEffectsEditor(e, 4));
  e.name = "Other";
  e.enabled[kEffectsPageEcho2] = false;
  e.testOnMonitor = true;
  CloseEffectsEditor(e, false);
  EXPECT_EQ(EffectSets()[4].Name, "Studio");
  EXPECT_EQ(EffectSets()[4].Echo2Enable, 1);
  file = testenv::ReadBytes(EffectSetsFilePath());
  EXPECT_NE(file.find("Flags = 1\r\n"), std::string::npos);
  EXPECT_EQ(file.find("Other"), std::string::npos);

  // An empty name gives the numbered name without a number.
  ASSERT_TRUE(OpenEffectsEditor(e, 4));
  e.name = "   ";
  CloseEffectsEditor(e, true);
  EXPECT_EQ(EffectSets()[4].Name, "Effect");
  EXPECT_EQ(shell.menuText[287], "Effect");
}

TEST_F(EffectsEditorTest, TheTestIsHeardOnTheChosenDevicesUntilTheWindowCloses) {
  OpenDevices();
  testenv::WriteBytes(EffectSetsFilePath(), "Flags = 1\r\n[4]\r\nChorus_Enable = 1\r\nChorus_fWetMix = 0\r\n"
                                            "Chorus_fDryMix = 1\r\n");
  LoadEffectSets();
  uint32_t out = Play(fxtest::Tone(), 1);
  uint32_t mon = Play(fxtest::Tone(), 2);
  AppliedEffectList outList, monList;
  SetEffectTargets([&](int device) {
    return device == kEffectDeviceOutput ? std::make_pair(out, &outList) : std::make_pair(mon, &monList);
  });
  // The Monitor plays set 3 by the user's choice before the window opens.
  ChooseDeviceEffect(kMonitorEffectBase, kMonitorEffectBase + 3, true, false);
  ApplyDeviceEffect(kEffectDeviceMonitor);
  ASSERT_EQ(monList.items.size(), 1u);
  uint32_t chorusHandle = monList.items[0].handle;

  EffectsEditor e;
  ASSERT_TRUE(OpenEffectsEditor(e, 2));  // set 2: all off, the Monitor test on
  EXPECT_TRUE(monList.items.empty());
  EXPECT_TRUE(outList.items.empty());

  // Chorus on with no wet sound: the Monitor sounds like the Output; the wet mix changes it at once.
  e.enabled[kEffectsPageChorus] = true;
  SetEffectsParam(e, kChorusDry, 10);
  SetEffectsParam(e, kChorusWet, 0);
  ASSERT_EQ(monList.items.size(), 1u);
  EXPECT_EQ(monList.items[0].type, alib::kFxChorus);
  auto o1 = Render(0.3, 1), m1 = Render(0.3, 2);
  EXPECT_LT(Rms(o1, m1), 0.01);
  SetEffectsParam(e, kChorusWet, 40);
  auto o2 = Render(0.3, 1), m2 = Render(0.3, 2);
  EXPECT_GT(Rms(o2, m2), 0.05);
  EXPECT_TRUE(outList.items.empty());

  // The Output test puts the same set on the Output.
  e.testOnOutput = true;
  TestCurrentSet(e);
  ASSERT_EQ(outList.items.size(), 1u);
  EXPECT_EQ(outList.items[0].type, alib::kFxChorus);
  EXPECT_EQ(EffectFlags(), kTestOnMonitor | kTestOnOutput);
  auto o3 = Render(0.3, 1);
  EXPECT_GT(Rms(o2, o3), 0.05);  // the Output no longer plays the bare tone

  // Unticking the Output box ends the test there; ticking it again brings it back.
  e.testOnOutput = false;
  TestCurrentSet(e);
  EXPECT_TRUE(outList.items.empty());
  EXPECT_EQ(monList.items.size(), 1u);
  e.testOnOutput = true;
  TestCurrentSet(e);
  EXPECT_EQ(outList.items.size(), 1u);

  // Cancel: the Monitor gets its own set 3 back (a chorus with its stored parameters), the
  // Output its no-effect set.
  CloseEffectsEditor(e, false);
  EXPECT_TRUE(outList.items.empty());
  ASSERT_EQ(monList.items.size(), 1u);
  EXPECT_EQ(monList.items[0].type, alib::kFxChorus);
  EXPECT_NE(chorusHandle, 0u);
  Render(0.2, 1);  // the parameters glide to their new values
  Render(0.2, 2);
  auto o4 = Render(0.3, 1), m4 = Render(0.3, 2);
  EXPECT_LT(Rms(o4, m4), 0.01);
  EXPECT_FALSE(EffectSets()[2].ChorusEnable);

  // Reopened, the Output test is off again; unticking the Monitor box gives the Monitor its
  // assigned set 3 back, and from then on changes are not heard.
  ASSERT_TRUE(OpenEffectsEditor(e, 2));
  EXPECT_FALSE(e.testOnOutput);
  EXPECT_TRUE(monList.items.empty());
  e.testOnMonitor = false;
  TestCurrentSet(e);
  ASSERT_EQ(monList.items.size(), 1u);
  EXPECT_EQ(monList.items[0].type, alib::kFxChorus);
  e.enabled[kEffectsPageAPF] = true;
  TestCurrentSet(e);
  ASSERT_EQ(monList.items.size(), 1u);
  EXPECT_EQ(monList.items[0].type, alib::kFxChorus);
  EXPECT_TRUE(outList.items.empty());
  CloseEffectsEditor(e, true);
  EXPECT_EQ(EffectSets()[2].APFEnable, 1);
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

}  // namespace
