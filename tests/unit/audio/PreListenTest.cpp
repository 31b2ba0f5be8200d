// Pre-listening from the properties window: the Monitor really plays from the chosen point.
#include "access/CommonEvents.h"
#include "playlist/TrackProperties.h"
#include "unit/audio/AudioFixture.h"

namespace {

using PreListen = AudioTest;

int32_t MonitorSeconds() {
  PositionInfo info;
  GetPositionInfo(MonitorChannel().Handle, info);
  return info.PositionSeconds;
}

// RMS of the Monitor's next `seconds` of sound (device 2), left channel.
double MonitorLevel(double seconds) {
  size_t frames = static_cast<size_t>(seconds * kRate);
  std::vector<float> block(kMixPeriod * 2);
  double s = 0;
  size_t n = 0;
  for (size_t done = 0; done < frames; done += kMixPeriod) {
    EXPECT_EQ(alib::ManualRender(2, block.data(), kMixPeriod), kMixPeriod);
    for (size_t i = 0; i < kMixPeriod; ++i, ++n) s += double(block[2 * i]) * block[2 * i];
  }
  return n ? std::sqrt(s / double(n)) : 0.0;
}

TEST_F(PreListen, MonitorPlaysFromTheFocusedFieldsTime) {
  // Silent for 10 s, then a tone: what the Monitor plays tells where it started.
  std::string file = testmedia::Make(media, "late20.wav",
                                     "-f lavfi -i aevalsrc='if(gte(t\\,10)\\,0.5*sin(2*PI*440*t)\\,0)|0':s=44100:d=20"
                                     " -c:a pcm_s16le");
  int32_t id = AddTrack(file);
  int32_t other = AddTrack(Tone("left30.wav", 30));
  TrackPropertiesForm f;
  ASSERT_TRUE(FillTrackProperties(f, id));
  ASSERT_EQ(f.end.maximum, 20);

  // From the start field at 0: silence.
  EXPECT_EQ(PreListenTrackProperties(f, PropertyField::Start), 1);
  ASSERT_NE(MonitorChannel().Handle, 0u);
  EXPECT_EQ(MonitorChannel().Track.ID, id);
  EXPECT_LT(MonitorLevel(0.5), 0.01);

  // Page Up twice on the start field: 4 s (a tenth of 0..19 is 2), still before the tone.
  TrackPropertiesCommand(f, propcmd::StepUp, PropertyField::Start);
  TrackPropertiesCommand(f, propcmd::StepUp, PropertyField::Start);
  uint32_t handle = MonitorChannel().Handle;
  EXPECT_EQ(PreListenTrackProperties(f, PropertyField::Start), 1);
  EXPECT_EQ(MonitorChannel().Handle, handle);  // the same stream moved, not a new one
  EXPECT_EQ(MonitorSeconds(), 4);

  // Space on the end field (at 20, the end of the track): the last second, where the tone is.
  MonitorPause(1);
  EXPECT_EQ(PreListenTrackProperties(f, PropertyField::End), 1);
  EXPECT_EQ(MonitorSeconds(), 19);
  EXPECT_EQ(alib::ChannelIsActive(MonitorChannel().Handle), alib::kActivePlaying);  // resumed
  EXPECT_GT(MonitorLevel(0.5), 0.2);
  EXPECT_TRUE(shell.menuEnabled[cmd::MonitorStop]);
  EXPECT_TRUE(IsMonitorPlaying());

  // The Monitor held another track: this one starts instead.
  ASSERT_TRUE(FillTrackProperties(f, other));
  f.start.value = 12;
  EXPECT_EQ(PreListenTrackProperties(f, PropertyField::Start), 1);
  EXPECT_EQ(MonitorChannel().Track.ID, other);
  EXPECT_EQ(MonitorSeconds(), 12);

  // A list's selection moved while the Monitor played (the played window): the new track plays
  // from its start point; paused, the Monitor does not count as playing.
  FindTrack(id)->Start = 11;
  Player().MonitorPlayTrack(id);
  EXPECT_EQ(MonitorChannel().Track.ID, id);
  EXPECT_EQ(MonitorSeconds(), 11);
  EXPECT_GT(MonitorLevel(0.3), 0.2);
  MonitorPause(1);
  EXPECT_FALSE(Player().IsMonitorPlaying());
  Player().MonitorPreListen(other, 12);

  // A track that left the play list cannot be pre-listened: the Monitor goes on as it was.
  ASSERT_TRUE(FillTrackProperties(f, id));
  PlayList().Remove(id);
  EXPECT_EQ(PreListenTrackProperties(f, PropertyField::Start), 0);
  EXPECT_EQ(MonitorChannel().Track.ID, other);
}
}  // namespace
