// Pre-listening: one press, the double press that switches auto-play on, the counter of timer 3.
#include "access/CommonEvents.h"
#include "unit/audio/AudioFixture.h"

namespace {

using MonitorPlayback = AudioTest;

void Command(int id) { HandleCommonEvent({CommonEvent::Menu, id}, true); }
void Timer3() { HandleCommonEvent({CommonEvent::Timer, 3}, true); }

int32_t MonitorSeconds() {
  PositionInfo info;
  GetPositionInfo(MonitorChannel().Handle, info);
  return info.PositionSeconds;
}

TEST_F(MonitorPlayback, DoublePressSwitchesAutoPlayAndSelectionsPlayFromAThird) {
  int32_t a = AddTrack(Tone("left20.wav", 20), 0, 3);
  int32_t b = AddTrack(Tone("left70.wav", 70));
  ListModel& rows = PlayListRows();
  rows.SelectOnly(rows.FindData(a));
  Command(cmd::MonitorPlay);
  ASSERT_NE(MonitorChannel().Handle, 0u);
  EXPECT_EQ(MonitorChannel().Device, 2);
  EXPECT_EQ(alib::ChannelGetDevice(MonitorChannel().Handle), 2);
  EXPECT_EQ(MonitorSeconds(), 3);
  EXPECT_TRUE(speech.lines.empty());
  EXPECT_TRUE(shell.menuEnabled[cmd::MonitorStop]);

  rows.SelectOnly(rows.FindData(b));
  MonitorFollowSelection();  // no auto-play yet: the selection alone plays nothing
  EXPECT_EQ(MonitorChannel().Track.ID, a);
  rows.SelectOnly(rows.FindData(a));
  Timer3();  // 300 ms later: still a double press
  Command(cmd::MonitorPlay);
  EXPECT_EQ(speech.Last(), "auto play");
  EXPECT_EQ(MonitorState().AutoFlags & 1, 1);
  rows.SelectOnly(rows.FindData(b));
  MonitorFollowSelection();
  EXPECT_EQ(MonitorChannel().Track.ID, b);
  EXPECT_EQ(MonitorSeconds(), 23);
  EXPECT_EQ(FindTrack(b)->State, Ready);

  // A stream is not pre-listened automatically; the previous one stays stopped.
  Track radio;
  radio.File = "http://127.0.0.1:9/radio.mp3";
  int32_t r = 0;
  ::AddTrack(radio, r);
  InsertTrackRow(r, -1);
  rows.SelectOnly(rows.FindData(r));
  MonitorFollowSelection();
  EXPECT_EQ(MonitorChannel().Handle, 0u);

  // The counter runs out: a third press switches auto-play off without a word.
  for (int i = 0; i < 4; ++i) Timer3();
  size_t said = speech.lines.size();
  rows.SelectOnly(rows.FindData(a));
  Command(cmd::MonitorPlay);
  EXPECT_EQ(MonitorState().AutoFlags & 1, 0);
  EXPECT_EQ(speech.lines.size(), said);
  EXPECT_EQ(MonitorSeconds(), 3);
}

TEST_F(MonitorPlayback, PauseStopAndVolumePresetsSetTheMenu) {
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayListRows().SelectOnly(PlayListRows().FindData(a));
  Command(cmd::MonitorPlay);
  Command(cmd::MonitorPlay);
  ASSERT_EQ(MonitorState().AutoFlags & 1, 1);
  Command(cmd::MonitorPause);
  EXPECT_EQ(MonitorState().AutoFlags & 1, 0);
  EXPECT_TRUE(shell.menuChecked[cmd::MonitorPause]);
  EXPECT_EQ(alib::ChannelIsActive(MonitorChannel().Handle), alib::kActivePaused);
  Command(cmd::MonitorHighVolume);
  EXPECT_EQ(GetMWNumber(setting::MonitorVolume), 90);
  EXPECT_TRUE(shell.menuChecked[cmd::MonitorHighVolume]);
  SetMonitorVolume(95);
  EXPECT_FALSE(shell.menuChecked[cmd::MonitorHighVolume]);
  EXPECT_FALSE(shell.menuChecked[cmd::MonitorLowVolume]);
  EXPECT_EQ(SetMonitorVolume(140), 100);
  Command(cmd::MonitorStop);
  EXPECT_EQ(MonitorChannel().Handle, 0u);
  EXPECT_FALSE(shell.menuEnabled[cmd::MonitorStop]);

  // A child window lowers the Monitor and gives its volume back.
  EnterChildWindow();
  EXPECT_EQ(GetMWNumber(setting::MonitorVolume), 30);
  LeaveChildWindow();
  EXPECT_EQ(GetMWNumber(setting::MonitorVolume), 100);
}
}  // namespace
