// Hand-overs between tracks heard on the mixed Output signal: the old track on the left channel,
// the new one on the right, so each one's level can be followed through the overlap.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "access/CommonEvents.h"
#include "unit/audio/AudioFixture.h"

namespace {
constexpr double kFull = 0.5 / 1.4142135 * 0.8;  // a 0.5 sine at the default volume of 80
constexpr int kLeft = 0, kRight = 1;

class HandOver : public AudioTest {
 protected:
  int32_t a = 0, b = 0;
  void TwoTracks(int32_t endOfFirst) {
    a = AddTrack(Tone("left70.wav", 70), endOfFirst);
    b = AddTrack(Tone("right70.wav", 70, false));
    PlayTrack(a, false);
  }
  // Without fading the next track follows the end point and the old one stops at once.
  // Returns the gap between the end point and the new track, in ms.
  double GapWithoutFading() {
    SetMWFlag(setting::OutputFadingEnable, false);
    TwoTracks(60);
    Render(61.5);
    double onset = Onset(kRight);
    EXPECT_NEAR(Offset(kLeft), onset, 0.001);  // the old track stopped when the new one began
    EXPECT_EQ(StateOf(a), Played);
    EXPECT_NEAR(Level(onset + 0.1, 61.5, kRight), kFull, 0.01);  // at full level at once
    return (onset - 60.0) * 1000;
  }
};

TEST_F(HandOver, EqualOverlapAndFadeHandOverAtFiftyFiveAndFadeToSilenceAtTheEndPoint) {
  SetMWNumber(setting::OutputFadingTime, 5);
  SetMWNumber(setting::OutputFadingDown, 5);
  TwoTracks(60);
  Render(62);
  // The next track starts at 55 s, within one mix period.
  EXPECT_NEAR(Onset(kRight), 55.0, 0.03);
  std::printf("fading hand-over, prompt processing: new track heard at %.4f s for 55 s\n", Onset(kRight));
  EXPECT_NEAR(Level(50, 54.9, kLeft), kFull, 0.01);
  // The old track falls over 55..60 s, and is silent after.
  double previous = kFull;
  for (int s = 55; s < 60; ++s) {
    double l = Level(s + 0.2, s + 0.8, kLeft);
    EXPECT_LT(l, previous) << "at " << s;
    previous = l;
  }
  EXPECT_NEAR(Level(57.3, 57.7, kLeft), kFull / 2, 0.03);
  EXPECT_NEAR(Offset(kLeft), 60.0, 0.05);
  // The new track faded in over 4 s and keeps its level after the old track's slide ended.
  EXPECT_NEAR(Level(60.5, 62, kRight), kFull, 0.01);
  EXPECT_EQ(StateOf(a), Played);
  EXPECT_EQ(FadingChannel().Handle, 0u);
  EXPECT_EQ(OutputChannel().Track.ID, b);
}

TEST_F(HandOver, LongerOverlapKeepsTheOldTrackAtFullLevelBeforeItsFade) {
  SetMWNumber(setting::OutputFadingTime, 8);
  SetMWNumber(setting::OutputFadingDown, 5);
  TwoTracks(60);
  Render(52.5);
  EXPECT_NEAR(Onset(kRight), 52.0, 0.03);
  EXPECT_EQ(StateOf(a), FadeOut);
  Render(9);
  EXPECT_NEAR(Level(52.2, 54.9, kLeft), kFull, 0.01);
  EXPECT_LT(Level(55.5, 56, kLeft), kFull * 0.95);
  EXPECT_NEAR(Level(57.3, 57.7, kLeft), kFull / 2, 0.03);
  EXPECT_NEAR(Offset(kLeft), 60.0, 0.05);
  EXPECT_EQ(StateOf(a), Played);
}

TEST_F(HandOver, WithoutFadingThePromptHandOverFollowsTheEndPointWithinOneMixPeriod) {
  double gap = GapWithoutFading();
  std::printf("hand-over gap without fading, prompt processing: %.1f ms\n", gap);
  EXPECT_GE(gap, 0);
  EXPECT_LE(gap, 1000.0 * kMixPeriod / kRate + 1);
}

TEST_F(HandOver, WithoutFadingTheTimerAloneLeavesUpToHalfASecond) {
  // The timer's ticks fall anywhere against the end point: try several phases.
  prompt = false;
  double worst = 0, sum = 0;
  const double phases[] = {0.0, 0.1, 0.2, 0.3, 0.4, 0.49};
  for (double phase : phases) {
    ResetPlayback();
    ResetMonitor();
    ResetTracks();
    PlayListRows().Clear();
    heard.clear();
    timerPhase = phase;
    double gap = GapWithoutFading();
    EXPECT_GE(gap, 0);
    EXPECT_LE(gap, 500.0 + 1000.0 * kMixPeriod / kRate);
    worst = std::max(worst, gap);
    sum += gap;
  }
  std::printf("hand-over gap without fading, 500 ms timer only: mean %.1f ms, worst %.1f ms\n",
              sum / std::size(phases), worst);
  EXPECT_GT(worst, 300);  // what the prompt hand-over saves
}

TEST_F(HandOver, AThirdTrackCutsTheFadingOne) {
  SetMWNumber(setting::OutputFadingTime, 5);
  SetMWNumber(setting::OutputFadingDown, 5);
  TwoTracks(60);
  int32_t c = AddTrack(Tone("left70b.wav", 70));
  Render(56);
  ASSERT_EQ(StateOf(a), FadeOut);
  uint32_t fadingA = FadingChannel().Handle;
  PlayTrack(c, false);
  EXPECT_EQ(StateOf(a), Played);
  EXPECT_EQ(alib::ChannelIsActive(fadingA), alib::kActiveStopped);
  EXPECT_EQ(StateOf(b), FadeOut);
  EXPECT_EQ(FadingChannel().Track.ID, b);
  EXPECT_EQ(OutputChannel().Track.ID, c);
  // Played tracks went to the history in order.
  ASSERT_EQ(PlayedList().size(), 2u);
  EXPECT_EQ(PlayedList()[0].ID, a);
  EXPECT_EQ(PlayedList()[1].ID, b);
}

TEST_F(HandOver, WithoutAutomaticNextTrackTheOutputStopsAtTheEndPoint) {
  SetMWFlag(setting::AutoNextPlay, false);
  SetMWFlag(setting::OutputFadingEnable, false);
  TwoTracks(10);
  Render(11);
  EXPECT_EQ(Onset(kRight), -1);
  EXPECT_NEAR(Offset(kLeft), 10.0, 0.03);
  EXPECT_EQ(OutputChannel().Handle, 0u);
  EXPECT_EQ(StateOf(a), Played);
}
}  // namespace

namespace {
TEST_F(HandOver, AProfileWithoutFadingHandsOverAtTheEndPointEvenWithFadingSwitchedOn) {
  ASSERT_TRUE(GetMWFlag(setting::OutputFadingEnable));
  SwitchProfile(kBookProfile, true);
  TwoTracks(10);
  Render(11);
  EXPECT_NEAR(Onset(kRight), 10.0, 0.03);
  EXPECT_NEAR(Offset(kLeft), Onset(kRight), 0.001);
  EXPECT_NEAR(Level(9, 9.9, kLeft), kFull, 0.01);
}
}  // namespace

namespace {
TEST_F(HandOver, WithFadingTheTimerAloneStartsTheNextTrackLate) {
  prompt = false;
  timerPhase = 0.25;
  SetMWNumber(setting::OutputFadingTime, 5);
  SetMWNumber(setting::OutputFadingDown, 5);
  TwoTracks(60);
  Render(56);
  double onset = Onset(kRight);
  std::printf("fading hand-over, 500 ms timer only (tick 250 ms after the second): new track heard at %.4f s\n", onset);
  EXPECT_GT(onset, 55.2);
  EXPECT_LT(onset, 55.55);
}
}  // namespace

namespace {
TEST_F(HandOver, StopFadesTheTrackOutAndEmptiesTheOutput) {
  SetMWNumber(setting::OutputFadingTime, 5);
  SetMWNumber(setting::OutputFadingDown, 5);
  TwoTracks(60);
  Render(10);
  HandleCommonEvent({CommonEvent::Menu, cmd::Stop}, true);
  EXPECT_EQ(StateOf(a), FadeOut);
  EXPECT_EQ(OutputChannel().Handle, 0u);
  EXPECT_EQ(Player().OutputTrackID(), 0);
  Render(6);
  EXPECT_NEAR(Offset(kLeft), 15.0, 0.05);
  EXPECT_EQ(Onset(kRight), -1);
  EXPECT_EQ(StateOf(a), Played);
  EXPECT_EQ(FadingChannel().Handle, 0u);
}
}  // namespace
