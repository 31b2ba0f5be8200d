// Choosing a device's effect set from the menu: radio items, toggling back to no effect,
// the spoken item text with the device's label, and the set applied to what the device plays.
#include "access/ShortcutTable.h"
#include "app/AppHooks.h"
#include "effects/EffectHooks.h"
#include "unit/effects/EffectsFixture.h"

namespace {

class DeviceEffect : public fxtest::Fixture {
 protected:
  void SetUp() override {
    fxtest::Fixture::SetUp();
    Hooks() = AppHooks{};
    SetEffectTargets(nullptr);
    SetEffectsWindowOpener(nullptr);
    RegisterShortcutSettings();
    fxtest::SetLangText("Key.Shift", "Shift");
  }
  void TearDown() override {
    Hooks() = AppHooks{};
    SetEffectTargets(nullptr);
    SetEffectsWindowOpener(nullptr);
    fxtest::Fixture::TearDown();
  }
  std::vector<int> Checked(int base) {
    std::vector<int> on;
    for (int i = 0; i < 10; ++i)
      if (shell.menuChecked[base + i]) on.push_back(base + i);
    return on;
  }
};

TEST_F(DeviceEffect, StartUpNamesTheSetsAndMarksNoEffectOnBothDevices) {
  testenv::WriteBytes(EffectSetsFilePath(), "[4]\r\nName = Hall\r\n");
  bool earlier = false;
  InstallFeatures({Feature{.start = [&] { earlier = true; }}, EffectsFeature()});
  Hooks().startAudio();
  EXPECT_TRUE(earlier);
  ASSERT_EQ(EffectSets().size(), 10u);
  EXPECT_EQ(Checked(kOutputEffectBase), std::vector<int>{293});
  EXPECT_EQ(Checked(kMonitorEffectBase), std::vector<int>{303});
  EXPECT_TRUE(speech.lines.empty());
  // Output items carry their shortcut after a tab (Shift+3 for set 3); Monitor items have none.
  EXPECT_EQ(shell.menuText[293], "No effect\tShift+0");
  EXPECT_EQ(shell.menuText[296], "Hall\tShift+3");
  EXPECT_EQ(shell.menuText[306], "Hall");
  EXPECT_EQ(shell.menuText[286], "Hall");
  EXPECT_EQ(shell.menuText[285], "Effect 2");
  EXPECT_EQ(shell.menuText.count(283), 0u);
  EXPECT_FALSE(shell.menuEnabled.at(283));  // set 0 cannot be edited
  EXPECT_EQ(EffectSetName(OutputEffectIndex()), "No effect");
}

TEST_F(DeviceEffect, ChoosingTheCheckedSetAgainReturnsToNoEffect) {
  InstallFeatures({EffectsFeature()});
  Hooks().startAudio();
  // Set 3 is on the Output already, chosen silently (as a track start would).
  ChooseDeviceEffect(kOutputEffectBase, 296, true, false);
  EXPECT_EQ(OutputEffectIndex(), 3);
  EXPECT_TRUE(speech.lines.empty());

  ChooseDeviceEffect(kOutputEffectBase, 296, false, true);
  EXPECT_EQ(Checked(kOutputEffectBase), std::vector<int>{293});
  EXPECT_EQ(OutputEffectIndex(), 0);
  ASSERT_EQ(speech.lines.size(), 1u);
  EXPECT_EQ(speech.Last(), "Output effect: No effect");

  // The next choice is a bare value; a choice without toggle keeps a checked item checked.
  ChooseDeviceEffect(kOutputEffectBase, 298, false, true);
  EXPECT_EQ(speech.Last(), "Effect 5");
  ChooseDeviceEffect(kOutputEffectBase, 298, false, false);
  EXPECT_EQ(Checked(kOutputEffectBase), std::vector<int>{298});
  EXPECT_EQ(OutputEffectIndex(), 5);
  EXPECT_EQ(MonitorEffectIndex(), 0);

  // The Monitor has its own label and items; the Output's stay as they were.
  ChooseDeviceEffect(kMonitorEffectBase, 304, false, true);
  EXPECT_EQ(speech.Last(), "Monitor effect: Effect 1");
  EXPECT_EQ(MonitorEffectIndex(), 1);
  EXPECT_EQ(Checked(kMonitorEffectBase), std::vector<int>{304});
  EXPECT_EQ(Checked(kOutputEffectBase), std::vector<int>{298});

  // Commands outside a device's ten items change nothing.
  size_t said = speech.lines.size();
  ChooseDeviceEffect(kOutputEffectBase, 303, false, true);
  ChooseDeviceEffect(300, 300, false, true);
  EXPECT_EQ(speech.lines.size(), said);
  EXPECT_EQ(OutputEffectIndex(), 5);
}

TEST_F(DeviceEffect, MenuCommandsApplyTheChosenSetToWhatTheDevicePlays) {
  OpenDevices();
  testenv::WriteBytes(EffectSetsFilePath(), "[4]\r\nRVB_Enable = 1\r\nEcho2_Enable = 1\r\n[2]\r\nAPF_Enable = 1\r\n");
  bool otherFeature = false;
  InstallFeatures({EffectsFeature(), Feature{.menuCommand = [&](int id) { return otherFeature = id == 191; }}});
  Hooks().startAudio();

  uint32_t out = Play(fxtest::Tone(), 1);
  uint32_t mon = Play(fxtest::Tone(), 2);
  AppliedEffectList outList, monList;
  SetEffectTargets([&](int device) {
    return device == kEffectDeviceOutput ? std::make_pair(out, &outList) : std::make_pair(mon, &monList);
  });

  EXPECT_TRUE(Hooks().menuCommand(296));
  ASSERT_EQ(outList.items.size(), 2u);
  EXPECT_EQ(outList.items[0].type, alib::kFxEcho);
  EXPECT_EQ(outList.items[1].type, alib::kFxReverb);
  EXPECT_TRUE(monList.items.empty());

  EXPECT_TRUE(Hooks().menuCommand(304));
  ASSERT_EQ(monList.items.size(), 1u);
  EXPECT_EQ(monList.items[0].type, alib::kFxAllPass);

  // The same item again: back to no effect on the Output only.
  EXPECT_TRUE(Hooks().menuCommand(296));
  EXPECT_TRUE(outList.items.empty());
  EXPECT_EQ(monList.items.size(), 1u);
  Render(0.5, 1);
  Render(0.5, 2);

  // Other commands go on to the features later in the list.
  EXPECT_TRUE(Hooks().menuCommand(191));
  EXPECT_TRUE(otherFeature);
  EXPECT_FALSE(Hooks().menuCommand(204));

  // A device that plays nothing only remembers its choice.
  out = 0;
  EXPECT_TRUE(Hooks().menuCommand(299));
  EXPECT_EQ(OutputEffectIndex(), 6);
  EXPECT_TRUE(outList.items.empty());
  EXPECT_EQ(LogText().find("! "), std::string::npos) << LogText();
}

TEST_F(DeviceEffect, TheEditItemsOpenTheEffectsWindowForUserSetsOnly) {
  InstallFeatures({EffectsFeature()});
  std::vector<int> opened;
  EXPECT_TRUE(Hooks().menuCommand(285));  // nothing registered yet: handled, nothing happens
  SetEffectsWindowOpener([&](int set) { opened.push_back(set); });
  EXPECT_TRUE(Hooks().menuCommand(283));
  EXPECT_TRUE(Hooks().menuCommand(284));
  EXPECT_TRUE(Hooks().menuCommand(292));
  EXPECT_EQ(opened, (std::vector<int>{1, 9}));
}

}  // namespace
