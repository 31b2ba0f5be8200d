// The Output board's logic on the manual device: what each control shows and applies,
// the keys' steps, Cancel, and the Book profile.
#include "audio/OutputBoard.h"
#include "effects/EffectChain.h"
#include "effects/EffectHooks.h"
#include "effects/EffectSets.h"
#include "unit/audio/AudioFixture.h"

namespace {

class Board : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    LangTable().push_back({"Unit.SemiTone", "semitones"});
    SortLangTable();
    LoadEffectSets();
    ResetDeviceEffects();
  }
  float StreamTempo() {
    float v = -999;
    alib::ChannelGetAttribute(OutputChannel().Handle, alib::kAttribTempo, &v);
    return v;
  }
};

TEST_F(Board, OpensOnTheCurrentValuesAndAppliesEveryChangeSilently) {
  SetMWNumber(setting::OutputVolume, 70);
  OutputState().GlobalTempo = 5;
  OutputState().GlobalPitch = -1.5f;
  int32_t a = AddTrack(Tone("left20.wav", 20));
  PlayTrack(a, false);
  speech.lines.clear();

  OutputBoard board;
  EXPECT_EQ(board.Value(kBoardVolume), 70);
  EXPECT_EQ(board.Value(kBoardTempo), 5);
  EXPECT_EQ(board.Value(kBoardPitch), -3);
  EXPECT_EQ(board.Value(kBoardEffect), 0);
  EXPECT_TRUE(board.SpinnersEnabled());
  EXPECT_EQ(board.PitchText(), "-1.5 semitones");

  EXPECT_EQ(board.Change(kBoardTempo, 12), 12);
  EXPECT_EQ(board.TempoText(), "12 %");
  EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 12);
  EXPECT_FLOAT_EQ(StreamTempo(), 12);
  // Page Up: a tenth of -50..100.
  EXPECT_EQ(board.StepUp(kBoardTempo), 27);
  EXPECT_EQ(board.Reset(kBoardTempo), 5);  // F1
  EXPECT_FLOAT_EQ(StreamTempo(), 5);

  // The spinner's 100 is 10 semitones, not 50, and the spinner follows what was applied.
  EXPECT_EQ(board.Change(kBoardPitch, 100), 20);
  EXPECT_EQ(board.PitchText(), "10.0 semitones");
  EXPECT_FLOAT_EQ(OutputState().GlobalPitch, 10);
  EXPECT_EQ(board.StepDown(kBoardPitch), 5);
  EXPECT_EQ(board.PitchText(), "2.5 semitones");

  // The volume stops at the Output's maximum, and the main window's slider follows.
  SetMWNumber(setting::OutputMaxVolume, 60);
  EXPECT_EQ(board.Change(kBoardVolume, 90), 60);
  EXPECT_EQ(GadgetState(gadget::Volume), 60);
  EXPECT_EQ(board.StepDown(kBoardVolume), 50);
  EXPECT_EQ(GetMWNumber(setting::OutputVolume), 50);

  // The effect chooser: set 1 of the user reaches the playing stream; keys that step leave it.
  EffectSets()[1].ReverbEnable = 1;
  EXPECT_EQ(board.EffectNames().size(), 10u);
  EXPECT_EQ(board.Change(kBoardEffect, 1), 1);
  EXPECT_EQ(OutputEffectIndex(), 1);
  EXPECT_FALSE(OutputChannel().Effects.items.empty());
  EXPECT_EQ(board.StepUp(kBoardEffect), 1);
  EXPECT_EQ(board.Change(kBoardEffect, 10), 1);  // out of range: refused

  EXPECT_TRUE(speech.lines.empty());  // the board speaks through its controls, not by itself
  board.Ok();
  EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 5);
  EXPECT_EQ(OutputEffectIndex(), 1);
}

TEST_F(Board, CancelPutsBackOnlyWhatTheWindowChanged) {
  SetMWNumber(setting::OutputVolume, 70);
  OutputState().GlobalTempo = 5;
  OutputState().GlobalPitch = 2;
  {
    OutputBoard board;
    board.Change(kBoardVolume, 30);
    board.Change(kBoardTempo, -20);
    board.Change(kBoardEffect, 3);
    board.Cancel();
    EXPECT_EQ(GetMWNumber(setting::OutputVolume), 70);
    EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 5);
    EXPECT_FLOAT_EQ(OutputState().GlobalPitch, 2);
    EXPECT_EQ(OutputEffectIndex(), 0);
    EXPECT_EQ(board.Value(kBoardTempo), 5);
  }
  // Tempo and pitch switched off: the spinners show 0, yet the stored values survive a Cancel,
  // touched or not.
  SetMWFlag(setting::OutputEnableTempoPitch, false);
  OutputBoard board;
  EXPECT_EQ(board.Value(kBoardTempo), 0);
  EXPECT_EQ(board.Value(kBoardPitch), 0);
  board.Change(kBoardPitch, 6);
  board.Cancel();
  EXPECT_FLOAT_EQ(OutputState().GlobalTempo, 5);
  EXPECT_FLOAT_EQ(OutputState().GlobalPitch, 2);
}

TEST_F(Board, BookSpinnersNeedAPlayingBookAndOkKeepsItsTempoInTheList) {
  SwitchProfile(kBookProfile, true);
  int32_t a = AddTrack(Tone("left20.wav", 20));
  {
    OutputBoard idle;
    EXPECT_FALSE(idle.SpinnersEnabled());
    EXPECT_EQ(idle.Change(kBoardTempo, 30), 0);
    // Tab skips the disabled spinners, both ways round.
    EXPECT_EQ(idle.NextControl(kBoardVolume, 1), kBoardEffect);
    EXPECT_EQ(idle.NextControl(kBoardEffect, 1), kBoardVolume);
    EXPECT_EQ(idle.NextControl(kBoardVolume, -1), kBoardEffect);
  }
  PlayTrack(a, false);
  OutputBoard board;
  ASSERT_TRUE(board.SpinnersEnabled());
  EXPECT_EQ(board.NextControl(kBoardVolume, 1), kBoardTempo);
  EXPECT_EQ(board.NextControl(kBoardPitch, -1), kBoardTempo);
  board.Change(kBoardTempo, 20);
  board.Change(kBoardPitch, -4);
  EXPECT_FLOAT_EQ(OutputChannel().Track.Tempo, 20);
  EXPECT_FLOAT_EQ(StreamTempo(), 20);
  EXPECT_FLOAT_EQ(FindTrack(a)->Tempo, 0);  // the list keeps its value until OK
  board.Ok();
  EXPECT_FLOAT_EQ(FindTrack(a)->Tempo, 20);
  EXPECT_FLOAT_EQ(FindTrack(a)->Pitch, -2);
  EXPECT_FALSE(PlayListRows().Text(RowOfTrack(PlayListRows(), a), 5).empty());
}

}  // namespace
