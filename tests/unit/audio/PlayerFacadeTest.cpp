// The player seen from outside: its state after each key, and one change event where each
// change happens (the keys, the automatic end, the stop), never one for nothing.
#include "app/Dispatch.h"
#include "audio/PlayerFacade.h"
#include "unit/audio/AudioFixture.h"

namespace {

using player::Change;

struct Recorder {
  std::vector<Change> seen;
  int token;
  Recorder() : token(player::AddListener([this](Change c) { seen.push_back(c); })) {}
  ~Recorder() { player::RemoveListener(token); }
  std::vector<Change> Take() { return std::exchange(seen, {}); }
};

using Facade = AudioTest;

TEST_F(Facade, EachKeyChangesTheStateAndFiresOneEvent) {
  Recorder events;
  EXPECT_EQ(player::Status(), player::State::Stopped);
  EXPECT_EQ(player::LengthMicros(), -1);
  EXPECT_EQ(player::Title(), "");

  // Nothing to pause or resume: no event, and the facade's Pause says nothing either.
  player::Pause();
  EXPECT_TRUE(speech.lines.empty());
  player::TogglePause();
  EXPECT_EQ(speech.Last(), "cannot pause");
  EXPECT_TRUE(events.Take().empty());

  int32_t a = AddTrack(Tone("left20.wav", 20));
  int32_t b = AddTrack(Tone("right70.wav", 70, false));
  FindTrack(a)->Alias = "Jingle";
  PlayListRows().Select(0, true);
  player::Play();  // stopped: the selected track
  EXPECT_EQ(events.Take(), std::vector<Change>{Change::TrackStarted});
  EXPECT_EQ(player::Status(), player::State::Playing);
  EXPECT_EQ(player::TrackId(), a);
  EXPECT_EQ(player::Title(), "Jingle");
  EXPECT_EQ(player::Url(), FindTrack(a)->File);
  EXPECT_EQ(player::LengthMicros(), 20'000'000);

  player::Play();  // playing: nothing
  EXPECT_TRUE(events.Take().empty());
  player::Pause();
  EXPECT_EQ(speech.Last(), "paused");
  EXPECT_EQ(player::Status(), player::State::Paused);
  player::Pause();  // paused already: nothing
  player::Play();
  EXPECT_EQ(speech.Last(), "resumed");
  EXPECT_EQ(events.Take(), (std::vector<Change>{Change::Paused, Change::Resumed}));

  player::SeekTo(12);
  EXPECT_EQ(speech.Last(), "Position 60%, 12 secondes");
  player::SeekBy(-10);
  EXPECT_EQ(player::PositionMicros(), 2'000'000);
  player::SeekBy(0);  // no move, no event
  EXPECT_EQ(events.Take(), (std::vector<Change>{Change::PositionJumped, Change::PositionJumped}));

  // The volume setter of the keys: kept in range, said, stored.
  SetMWNumber(setting::OutputMaxVolume, 90);
  player::SetVolume(120);
  EXPECT_EQ(player::Volume(), 90);
  EXPECT_EQ(GadgetState(gadget::Volume), 90);
  EXPECT_EQ(speech.Last(), "Volume 90%");
  player::ToggleMute();
  EXPECT_TRUE(player::Muted());
  player::SetTempo(150);
  EXPECT_FLOAT_EQ(player::Tempo(), 100);
  EXPECT_EQ(events.Take(), (std::vector<Change>{Change::VolumeChanged, Change::VolumeChanged, Change::TempoChanged}));

  player::Next();
  EXPECT_EQ(player::TrackId(), b);
  player::Previous();  // the last played track again
  EXPECT_EQ(player::TrackId(), a);
  player::Stop();
  EXPECT_EQ(player::Status(), player::State::Stopped);
  player::Stop();  // stopped already: no second end
  EXPECT_EQ(events.Take(), (std::vector<Change>{Change::TrackStarted, Change::TrackStarted, Change::TrackEnded}));
  EXPECT_EQ(player::TrackId(), 0);
}

// The automatic end of the list is an event too, delivered where the queued end is handled.
TEST_F(Facade, TheEndOfTheLastTrackEndsThePlayerAndListenersMayAct) {
  SetMWFlag(setting::OutputFadingEnable, false);
  int32_t a = AddTrack(Tone("left5.wav", 5));
  PlayTrack(a, false);
  std::vector<Change> seen;
  int states = 0;
  // A listener that queries and acts while the change is delivered.
  int token = player::AddListener([&](Change c) {
    seen.push_back(c);
    if (c == Change::TrackEnded && player::Status() == player::State::Stopped) {
      ++states;
      player::SetVolume(40);
    }
  });
  Render(6);
  player::RemoveListener(token);
  EXPECT_EQ(seen, (std::vector<Change>{Change::TrackEnded, Change::VolumeChanged}));
  EXPECT_EQ(states, 1);
  EXPECT_EQ(player::Volume(), 40);
  player::SetVolume(50);
  EXPECT_EQ(seen.size(), 2u);  // removed: no more events
}

// The display follows the player's events: the title, systray item and status change the
// moment the player does, with no display timer in between; the timer moves the position only.
TEST_F(Facade, TheDisplayChangesWithThePlayerNotWithTheTimer) {
  SetMWValue(setting::NormalStatus, "idle %VL");
  SetMWValue(setting::PlayingStatus, "%VL %PC");
  SetMWNumber(setting::OutputVolume, 50);
  int32_t a = AddTrack(Tone("left20.wav", 20));
  FindTrack(a)->Alias = "Jingle";
  PlayTrack(a, false);
  EXPECT_EQ(shell.windowTitle, "Tondrial : Jingle");
  EXPECT_EQ(shell.systrayInfo, "Jingle");
  EXPECT_EQ(shell.statusText, "50 0");

  player::SetVolume(70);
  EXPECT_EQ(shell.statusText, "70 0");
  MainWindowCommand(cmd::VolumeDown);
  EXPECT_EQ(shell.statusText, "60 0");
  player::SeekTo(10);
  EXPECT_EQ(shell.statusText, "60 50");
  EXPECT_EQ(GadgetState(gadget::Position), 50);

  // Playing on moves the position only when the timer comes; the title is left alone by it.
  Render(2);
  EXPECT_EQ(shell.statusText, "60 50");
  shell.windowTitle = "changed elsewhere";
  MainWindowTimer(timer::Display);
  EXPECT_EQ(shell.statusText, "60 60");
  EXPECT_EQ(shell.windowTitle, "changed elsewhere");

  MainWindowCommand(cmd::Stop);
  EXPECT_EQ(shell.windowTitle, "Tondrial");
  EXPECT_EQ(shell.systrayInfo, "");
  EXPECT_EQ(shell.statusText, "idle 60");
}

}  // namespace
