// The properties window's fields, keys, pre-listening and confirmation, without a screen.
#include "PlayListFixture.h"
#include "playlist/TrackProperties.h"

namespace {
class Properties : public PlayListTest {
 protected:
  void SetUp() override {
    PlayListTest::SetUp();
    SetMWValue(setting::SayTime, "[%iim ]%sss");
  }
  PropertiesAction Key(TrackPropertiesForm& f, int32_t command, PropertyField focused, bool* handled = nullptr) {
    return TrackPropertiesCommand(f, command, focused, handled);
  }
};

TEST_F(Properties, FieldsRangesAndTexts) {
  int32_t id = AddRow("/music/show/intro.mp3", 240);
  FindTrack(id)->Alias = "Intro";
  FindTrack(id)->Start = 30;
  TrackPropertiesForm f;
  EXPECT_FALSE(FillTrackProperties(f, id + 100));
  ASSERT_TRUE(FillTrackProperties(f, id));
  EXPECT_EQ(f.title, "Properties of intro.mp3");
  EXPECT_EQ(f.alias, "Intro");
  EXPECT_EQ(f.description, "File: intro.mp3\nFolder: /music/show/\nLength: 0:4:0");
  EXPECT_EQ(f.start.minimum, 0);
  EXPECT_EQ(f.start.maximum, 239);
  EXPECT_EQ(f.end.maximum, 240);
  EXPECT_EQ(f.StartText(), "30s");
  EXPECT_EQ(f.EndText(), "");  // at its maximum: plays to the end
  Key(f, propcmd::SecondDown, PropertyField::End);
  EXPECT_EQ(f.EndText(), "3m 59s");

  // A stream has no length: the fields stay at 0 instead of taking an upside-down range.
  Track radio;
  radio.File = "http://radio.example/live";
  radio.Name = "live";
  radio.Length = radio.End = -1;
  int32_t r = 0;
  AddTrack(radio, r);
  ASSERT_TRUE(FillTrackProperties(f, r));
  EXPECT_EQ(f.start.maximum, 0);
  EXPECT_EQ(f.end.maximum, 0);
  Key(f, propcmd::StepUp, PropertyField::Start);
  EXPECT_EQ(f.start.value, 0);
}

TEST_F(Properties, StepResetAndKeysThatBelongToOtherFields) {
  int32_t id = AddRow("/m/a.mp3", 240);
  FindTrack(id)->End = 200;
  TrackPropertiesForm f;
  ASSERT_TRUE(FillTrackProperties(f, id));
  EXPECT_EQ(Key(f, propcmd::StepUp, PropertyField::End), PropertiesAction::None);
  EXPECT_EQ(f.end.value, 224);  // a tenth of 0..240
  Key(f, propcmd::StepUp, PropertyField::End);
  EXPECT_EQ(f.end.value, 240);  // kept inside the range
  Key(f, propcmd::Reset, PropertyField::End);
  EXPECT_EQ(f.end.value, 200);  // the value it had when the window opened
  Key(f, propcmd::StepDown, PropertyField::Start);
  EXPECT_EQ(f.start.value, 0);
  Key(f, propcmd::SecondUp, PropertyField::Start);
  Key(f, propcmd::StepUp, PropertyField::Start);
  EXPECT_EQ(f.start.value, 25);  // 1 + round(23.9)

  // Keys of the time fields do nothing elsewhere and let the key through: a Space in the
  // alias field is typed, not a pre-listen.
  bool handled = true;
  Key(f, propcmd::PreListen, PropertyField::Alias, &handled);
  EXPECT_FALSE(handled);
  Key(f, propcmd::StepUp, PropertyField::Description, &handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(player.preListens.empty());
  EXPECT_EQ(f.start.value, 25);

  // Return confirms, except on the Cancel button; Escape cancels.
  EXPECT_EQ(Key(f, propcmd::Confirm, PropertyField::Alias), PropertiesAction::Confirm);
  EXPECT_EQ(Key(f, propcmd::Confirm, PropertyField::Ok), PropertiesAction::Confirm);
  EXPECT_EQ(Key(f, propcmd::Confirm, PropertyField::Cancel), PropertiesAction::Cancel);
  EXPECT_EQ(Key(f, propcmd::Cancel, PropertyField::Start), PropertiesAction::Cancel);
}

TEST_F(Properties, PreListenFromTheFocusedField) {
  int32_t id = AddRow("/m/a.mp3", 240);
  TrackPropertiesForm f;
  ASSERT_TRUE(FillTrackProperties(f, id));
  bool handled = false;
  Key(f, propcmd::StepUp, PropertyField::Start);
  Key(f, propcmd::PreListen, PropertyField::Start, &handled);
  EXPECT_TRUE(handled);
  Key(f, propcmd::PreListen, PropertyField::End);
  ASSERT_EQ(player.preListens.size(), 2u);
  EXPECT_EQ(player.preListens[0], std::make_pair(id, 24));
  EXPECT_EQ(player.preListens[1], std::make_pair(id, 240));  // the Monitor keeps it inside the track
}

TEST_F(Properties, OnlyConfirmationWritesTheTrack) {
  int32_t id = AddRow("/m/a.mp3", 240);
  FindTrack(id)->Alias = "Old";
  TrackPropertiesForm f;
  ASSERT_TRUE(FillTrackProperties(f, id));
  Key(f, propcmd::StepUp, PropertyField::Start);
  f.alias = "New";
  // Cancelling is not applying: the track is as it was.
  EXPECT_EQ(FindTrack(id)->Start, 0);
  EXPECT_EQ(FindTrack(id)->Alias, "Old");

  // An end before the start is stored as the user left it; an alias of blanks is no alias.
  f.alias = "  \t ";
  f.end.value = 10;
  ASSERT_TRUE(ApplyTrackProperties(f));
  EXPECT_EQ(FindTrack(id)->Start, 24);
  EXPECT_EQ(FindTrack(id)->End, 10);
  EXPECT_EQ(FindTrack(id)->Alias, "");
  RefreshRow(id);
  EXPECT_EQ(PlayListRows().Text(0, 1), "a.mp3");

  // The track left the list while the window was open: nothing to write.
  PlayList().Remove(id);
  EXPECT_FALSE(ApplyTrackProperties(f));
}
}  // namespace
