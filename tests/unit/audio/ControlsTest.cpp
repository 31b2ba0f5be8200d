// The Output's commands through the common dispatcher, and the position rules of the player.
#include "access/CommonEvents.h"
#include "app/Dispatch.h"
#include "app/FileUtil.h"
#include "unit/audio/AudioFixture.h"

namespace {

using Controls = AudioTest;

void Command(int id) { HandleCommonEvent({CommonEvent::Menu, id}, true); }

std::vector<std::string> Said(const RecordingSpeech& s) {
  std::vector<std::string> out;
  for (const auto& l : s.lines) out.push_back(l.first);
  return out;
}

TEST_F(Controls, VolumeStepsStopAtTheMaximumAndSayTheLabelOnce) {
  SetMWNumber(setting::OutputVolume, 95);
  Command(cmd::VolumeUp);
  Command(cmd::WmpVolumeUp);
  EXPECT_EQ(Said(speech), (std::vector<std::string>{"Volume 100%", "100%"}));
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 100);
  EXPECT_TRUE(App.SettingsChanged);

  SetMWNumber(setting::OutputMaxVolume, 60);
  SetMWNumber(setting::OutputVolume, 80);
  Command(cmd::VolumeDown);
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 60);
  EXPECT_EQ(GadgetState(gadget::Volume), 60);
}

TEST_F(Controls, MuteSurvivesAChildWindowAndTheLowVolumeIsHeard) {
  SetMWFlag(setting::OutputLowVolumeInChildWindow, true);
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayTrack(a, false);
  Command(cmd::VolumeMute);
  EXPECT_EQ(speech.Last(), "muted");
  EXPECT_TRUE(shell.menuChecked[cmd::VolumeMute]);
  EXPECT_EQ(CurrentOutputVolume(), 30);
  EnterChildWindow();
  LeaveChildWindow();
  EXPECT_EQ(OutputState().MuteFlags & 1, 1);
  Render(5);  // past the fade-in
  EXPECT_NEAR(Level(4.5, 5, 0), 0.5 / 1.4142135 * 0.3, 0.005);

  // Not muted before: the child window mutes, and closing it gives the volume back.
  Command(cmd::VolumeMute);
  EnterChildWindow();
  EXPECT_EQ(CurrentOutputVolume(), 30);
  LeaveChildWindow();
  EXPECT_EQ(CurrentOutputVolume(), 80);
}

TEST_F(Controls, TempoStepsAreSpokenAndPitchClampsAtTenSemitones) {
  for (int i = 0; i < 5; ++i) Command(cmd::TempoUp);
  EXPECT_EQ(Said(speech), (std::vector<std::string>{"Tempo 1", "2", "3", "4", "5"}));
  EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 5);
  for (int i = 0; i < 25; ++i) Command(cmd::PitchUp);
  EXPECT_EQ(speech.Last(), "10.0");
  for (int i = 0; i < 45; ++i) Command(cmd::PitchDown);
  EXPECT_FLOAT_EQ(OutputState().GlobalPitch, -10);

  // The effective values follow the switch and reach the stream.
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayTrack(a, false);
  float tempo = 0;
  ASSERT_TRUE(alib::ChannelGetAttribute(OutputChannel().Handle, alib::kAttribTempo, &tempo));
  EXPECT_FLOAT_EQ(tempo, 5);
  Command(cmd::EnableTempoPitch);
  EXPECT_EQ(speech.Last(), "tempo off");
  EXPECT_FALSE(GetMWFlag(setting::OutputEnableTempoPitch));
  ASSERT_TRUE(alib::ChannelGetAttribute(OutputChannel().Handle, alib::kAttribTempo, &tempo));
  EXPECT_FLOAT_EQ(tempo, 0);
}

TEST_F(Controls, PauseResumesOnPlayAndSaysWhenNothingPlays) {
  Command(cmd::Pause);
  EXPECT_EQ(speech.Last(), "cannot pause");
  EXPECT_EQ(GadgetText(gadget::Pause), "Pause");

  int32_t a = AddTrack(Tone("left20.wav", 20));
  int32_t b = AddTrack(Tone("right70.wav", 70, false));
  PlayTrack(a, false);
  Render(2);
  Command(cmd::Pause);
  EXPECT_EQ(speech.Last(), "paused");
  EXPECT_EQ(StateOf(a), Pause);
  EXPECT_EQ(GadgetText(gadget::Pause), "Resume");
  EXPECT_TRUE(shell.menuChecked[cmd::Pause]);
  uint32_t h = OutputChannel().Handle;
  PlayTrack(b, false);  // resumes instead of starting b
  EXPECT_EQ(speech.Last(), "resumed");
  EXPECT_EQ(OutputChannel().Handle, h);
  EXPECT_EQ(StateOf(a), Playing);
  EXPECT_EQ(StateOf(b), Ready);
  EXPECT_EQ(GadgetText(gadget::Pause), "Pause");

  // Stopping a paused track ends it at once rather than leaving a fade that never runs.
  Command(cmd::Pause);
  Command(cmd::Stop);
  EXPECT_EQ(StateOf(a), Played);
  EXPECT_EQ(OutputChannel().Handle, 0u);
  Render(1);
  EXPECT_EQ(FadingChannel().Handle, h);
  EXPECT_NE(alib::ChannelIsActive(h), alib::kActivePlaying);
}

TEST_F(Controls, PositionsClampToTheTrackAndTheEndPointDefaultsToTheWholeFile) {
  SetMWFlag(setting::OutputFadingEnable, false);
  Track t;
  t.File = Tone("left20.wav", 20);
  t.Start = 50;
  t.End = 99;
  ASSERT_EQ(ExamineTrack(t, true), 1);
  EXPECT_EQ(t.Length, 20);
  EXPECT_EQ(t.Start, 0);
  EXPECT_EQ(t.End, 20);
  t.File = dir + "missing.wav";
  EXPECT_EQ(ExamineTrack(t, true), 0);
  EXPECT_NE(LogText().find("- Examine : " + t.File), std::string::npos);

  int32_t a = AddTrack(Tone("left20.wav", 20));
  FindTrack(a)->End = 0;
  int32_t b = AddTrack(Tone("right70.wav", 70, false));
  PlayTrack(a, false);
  uint32_t h = OutputChannel().Handle;
  ASSERT_EQ(SeekSeconds(h, 999, false), 1);
  PositionInfo info;
  ASSERT_EQ(GetPositionInfo(h, info), 1);
  EXPECT_EQ(info.PositionSeconds, 19);
  ASSERT_EQ(SeekPercent(h, 100), 1);
  GetPositionInfo(h, info);
  EXPECT_EQ(info.Percent, 99);
  SeekSeconds(h, 15, false);
  heard.assign(size_t(15 * kRate) * 2, 0.0f);  // the time line continues at 15 s
  Render(5.5);
  EXPECT_NEAR(Onset(1), 20.0, 0.03);  // end point 0: the whole file
  EXPECT_EQ(OutputChannel().Track.ID, b);
  EXPECT_NE(LogText().find("- Play deviceID=1, hChannel="), std::string::npos);
  EXPECT_EQ(RecentEntry(RecentList::Files, 0), FindTrack(b)->File);
}

TEST_F(Controls, GoToPositionTakesOffsetsTimesAndPercentagesAndIgnoresTheLength) {
  int32_t a = AddTrack(Tone("left70.wav", 70));
  PlayTrack(a, false);
  auto go = [&](const std::string& answer) {
    shell.inputAnswers.push_back({true, answer});
    HandleCommonEvent({CommonEvent::Menu, cmd::GoToPosition}, true);
    Hooks().menuCommand(cmd::GoToPosition);
    PositionInfo info;
    OutputPositionInfo(info);
    return info.PositionSeconds;
  };
  EXPECT_EQ(go("+30s"), 30);
  EXPECT_EQ(go("1:00"), 60);
  EXPECT_EQ(go("50%"), 35);
  EXPECT_EQ(go("1:10"), 35);  // the length itself is ignored
  EXPECT_EQ(go("\x1b"), 35);
  Command(cmd::PositionBackward);
  EXPECT_EQ(speech.Last(), "Position 35%, 25 secondes");
}

TEST_F(Controls, BookStopRemembersWhereTheBookWasLeftAndRewindsTheSelectedOne) {
  std::string book = testmedia::Make(media, "book.mp3",
      "-f lavfi -i anullsrc=r=44100:cl=stereo -t 620 -c:a libmp3lame -b:a 32k");
  SwitchProfile(kBookProfile, true);
  int32_t a = AddTrack(book);
  int32_t other = AddTrack(Tone("left20.wav", 20), 0, 7);
  PlayTrack(a, false);
  ASSERT_EQ(SeekSeconds(OutputChannel().Handle, 603, false), 1);
  std::vector<float> block(size_t(0.6 * kRate) * 2);
  ASSERT_EQ(alib::ManualRender(1, block.data(), block.size() / 2), block.size() / 2);
  PlayListRows().SelectOnly(PlayListRows().FindData(other));
  StopCommand(true);
  EXPECT_EQ(FindTrack(a)->Start, 604);
  EXPECT_EQ(FindTrack(other)->Start, 0);
}
}  // namespace

namespace {

TEST_F(Controls, ABrokenFileIsReportedAndThePlayingTrackGoesOn) {
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayTrack(a, false);
  uint32_t h = OutputChannel().Handle;
  std::string bad = dir + "broken.mp3";
  fileutil::WriteFileAtomic(bad, "not sound at all");
  Track t;
  t.File = bad;
  int32_t id = 0;
  ::AddTrack(t, id);
  InsertTrackRow(id, -1);
  PlayTrack(id, false);
  EXPECT_EQ(speech.Last(), "cannot play");
  EXPECT_NE(LogText().find("! Error, Play : " + bad), std::string::npos);
  EXPECT_EQ(OutputChannel().Handle, h);
  EXPECT_EQ(StateOf(a), Playing);

  // The automatic next track passes over the broken tracks, says so once, and plays the next
  // good one; with nothing playable left after it the Output stops.
  std::string bad2 = dir + "broken2.wav";
  fileutil::WriteFileAtomic(bad2, "RIFF but no sound");
  t.File = bad2;
  int32_t id2 = 0;
  ::AddTrack(t, id2);
  InsertTrackRow(id2, -1);
  int32_t c = AddTrack(Tone("right20.wav", 20, false));
  const size_t said = speech.lines.size();
  Render(21);
  EXPECT_NEAR(Onset(1), 15.0, 0.05);  // fading on: 5 s before the end of the first track
  EXPECT_EQ(OutputChannel().Track.ID, c);
  EXPECT_EQ(StateOf(c), Playing);
  ASSERT_EQ(speech.lines.size(), said + 1);
  EXPECT_EQ(speech.Last(), "cannot play");
  EXPECT_NE(LogText().find("! Error, Play : " + bad2), std::string::npos);
  Render(10);  // its end point (less the 5 s overlap) at 30 s
  EXPECT_EQ(OutputChannel().Handle, 0u);
  EXPECT_EQ(speech.lines.size(), said + 1);
}

TEST_F(Controls, TheDisplayShowsTheTrackInTheTitleStatusAndSystray) {
  SetMWValue(setting::NormalStatus, "idle");
  SetMWValue(setting::PlayingStatus, "%PC");
  Hooks().refreshDisplay();
  EXPECT_EQ(shell.statusText, "idle");
  EXPECT_EQ(shell.windowTitle, "Tondrial");
  int32_t a = AddTrack(Tone("left20.wav", 20));
  FindTrack(a)->Alias = "Jingle";
  PlayTrack(a, false);
  SeekSeconds(OutputChannel().Handle, 10, false);
  Hooks().refreshDisplay();
  EXPECT_EQ(shell.statusText, "50");
  EXPECT_EQ(GadgetState(gadget::Position), 50);
  EXPECT_EQ(shell.windowTitle, "Tondrial : Jingle");
  EXPECT_EQ(shell.systrayInfo, "Jingle");
  SetMWFlag(setting::TitleNameInFirst, true);
  OutputChannel().Track.StreamTitle = "On air";
  player::Notify(player::Change::TitleChanged);  // as the stream-title handler does
  Hooks().refreshDisplay();
  EXPECT_EQ(shell.windowTitle, "On air : Tondrial");
}
}  // namespace

namespace {

TEST_F(Controls, MainWindowCommandsReachThePlayerOnceEach) {
  int32_t a = AddTrack(Tone("left20.wav", 20));
  int32_t b = AddTrack(Tone("right70.wav", 70, false));
  int32_t c = AddTrack(Tone("left70.wav", 70));
  PlayTrack(a, false);
  MainWindowCommand(cmd::NextTrack);
  EXPECT_EQ(OutputChannel().Track.ID, b);
  EXPECT_EQ(StateOf(c), Ready);
  SetMWNumber(setting::OutputVolume, 50);
  MainWindowCommand(cmd::VolumeUp);
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 60);
  MainWindowTimer(timer::SyncEvents);  // timer 2 through the common dispatcher
  MainWindowTimer(timer::Display);
  EXPECT_EQ(shell.systrayInfo, "right70.wav");
}
}  // namespace

namespace {

TEST_F(Controls, TempoBelongsToTheBookTrackAndTheRadioHasNone) {
  int32_t a = AddTrack(Tone("left20.wav", 20));
  SwitchProfile(kRadioProfile, true);
  EXPECT_FALSE(shell.menuEnabled[cmd::TempoUp]);
  EXPECT_FALSE(shell.menuChecked[cmd::EnableTempoPitch]);
  SetTempo(0, 7, true);
  EXPECT_FLOAT_EQ(EffectiveTempo(), 0);  // the Radio keeps its global tempo switched off

  SwitchProfile(kBookProfile, true);
  a = AddTrack(Tone("left20.wav", 20));
  PlayTrack(a, false);
  SetTempo(0, 4, true);
  SetPitch(0, -1.5f, true);
  EXPECT_FLOAT_EQ(OutputChannel().Track.Tempo, 4);
  EXPECT_FLOAT_EQ(EffectiveTempo(), 4);
  EXPECT_FLOAT_EQ(EffectivePitch(), -1.5f);
  float pitch = 0;
  ASSERT_TRUE(alib::ChannelGetAttribute(OutputChannel().Handle, alib::kAttribTempoPitch, &pitch));
  EXPECT_FLOAT_EQ(pitch, -1.5f);
  EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 7);
}
}  // namespace
