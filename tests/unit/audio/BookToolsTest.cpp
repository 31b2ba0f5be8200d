// Chapters of the Output's book and the sleep timer, on the manual device: the chapter list of
// a generated M4B, the jumps with their announcements, the Book profile's remembered position,
// and the timer's fade and pause, with time taken from what the device rendered.
#include "access/CommonEvents.h"
#include "access/Templates.h"
#include "app/Commands.h"
#include "unit/audio/AudioFixture.h"
#include "audio/BookTools.h"
#include "audio/PlayerFacade.h"

namespace {

class Books : public AudioTest {
 protected:
  int64_t clockShiftMs = 0;  // time skipped without rendering (the long waits of the timer)

  void SetUp() override {
    AudioTest::SetUp();
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Say.Chapter", "Chapter %s1% of %s2%: %s3%"}, {"Say.ChapterNumber", "Chapter %s1% of %s2%"},
        {"Say.ChapterUntitled", "Chapter %s1%"},       {"Say.LastChapter", "last chapter"},
        {"Say.NoChapters", "no chapters"},             {"Say.SleepIn", "Sleep timer: %s1%"},
        {"Say.SleepLeft", "Sleep timer: %s1% left"},   {"Say.SleepOff", "Sleep timer off"},
        {"Say.SleepTrackEnd", "Sleep timer: end of the track"},
        {"Time.OneMinute", "1 minute"},                {"Time.Minutes", "%s1% minutes"},
        {"Time.OneSecond", "1 second"},                {"Time.SecondsCount", "%s1% seconds"},
    };
    for (const auto& [k, v] : kTexts) LangTable().push_back({k, v});
    SortLangTable();
    SetSleepClock([this] { return clockShiftMs + static_cast<int64_t>(heard.size() / 2 * 1000 / kRate); });
  }
  void TearDown() override {
    SetSleepClock(nullptr);
    AudioTest::TearDown();
  }

  std::string Book() {
    return testmedia::MakeChapterBook(media, "book.m4b", 30, {{0, "Opening"}, {10, "Middle"}, {20, "\xc3\x89pilogue"}});
  }
  void Key(int command) { Hooks().commonEvent(command, true); }
  // Renders in steps of the 500 ms timer, which the program's timer 2 follows.
  void Play(double seconds) {
    for (double done = 0; done < seconds - 1e-9; done += 0.5) {
      Render(0.5);
      Hooks().commonEvent(-2, true);
    }
  }
  double Position() {
    return double(alib::ChannelGetPosition(OutputChannel().Handle, alib::kPosByte)) / (kRate * 8);
  }
  std::string Status() {
    SayStatus();
    return speech.Last();
  }
};

TEST_F(Books, ChapterKeysJumpAndSayWhereTheyLanded) {
  SetMWValue(setting::DisplayInfos, "%CH");
  int32_t book = AddTrack(Book());
  PlayTrack(book, false);
  Render(1);
  ASSERT_EQ(OutputChapters().size(), 3u);
  EXPECT_EQ(Status(), "Opening");

  Key(cmd::NextChapter);
  EXPECT_EQ(speech.Last(), "Chapter 2 of 3: Middle");
  EXPECT_NEAR(Position(), 10, 0.05);
  Key(cmd::NextChapter);
  EXPECT_EQ(speech.Last(), "Chapter 3 of 3: \xc3\x89pilogue");
  Key(cmd::NextChapter);
  EXPECT_EQ(speech.Last(), "last chapter");
  EXPECT_NEAR(Position(), 20, 0.05);

  // More than 3 s into a chapter, previous starts it again; sooner, it goes one back.
  Render(4);
  EXPECT_EQ(Status(), "\xc3\x89pilogue");
  Key(cmd::PreviousChapter);
  EXPECT_EQ(speech.Last(), "Chapter 3 of 3: \xc3\x89pilogue");
  EXPECT_NEAR(Position(), 20, 0.05);
  Render(2);
  Key(cmd::PreviousChapter);
  EXPECT_EQ(speech.Last(), "Chapter 2 of 3: Middle");
  EXPECT_NEAR(Position(), 10, 0.05);
  Key(cmd::PreviousChapter);
  Key(cmd::PreviousChapter);
  EXPECT_EQ(speech.Last(), "Chapter 1 of 3: Opening");
  EXPECT_NEAR(Position(), 0, 0.05);
  // What is heard follows the jump: the tone goes on from the new place.
  Render(1);
  EXPECT_GT(Level(heard.size() / 2.0 / kRate - 0.5, heard.size() / 2.0 / kRate, 0), 0.02);
  // A template without the chapter still tells where in the book the reader is.
  SetMWValue(setting::DisplayInfos, "%ss s");
  EXPECT_EQ(Status(), "1 s, Chapter 1 of 3: Opening");

  // A file without chapters says so, and nothing moves.
  int32_t plain = AddTrack(Tone("left20.wav", 20));
  PlayTrack(plain, false);
  Render(1);
  const double before = Position();
  Key(cmd::NextChapter);
  EXPECT_EQ(speech.Last(), "no chapters");
  Key(cmd::PreviousChapter);
  EXPECT_EQ(speech.Last(), "no chapters");
  EXPECT_NEAR(Position(), before, 0.05);
  EXPECT_EQ(Status(), "1 s");
  SetMWValue(setting::DisplayInfos, "%CH");
  EXPECT_EQ(Status(), "");
}

TEST_F(Books, TheBookPositionIsKeptAcrossChapters) {
  SwitchProfile(kBookProfile, true);
  int32_t book = AddTrack(Book());
  PlayTrack(book, false);
  Render(1);
  Key(cmd::NextChapter);
  Key(cmd::NextChapter);
  Render(1.2);
  StopCommand(true);
  EXPECT_EQ(FindTrack(book)->Start, 21);
  // The book resumes inside its last chapter, and the keys count from there.
  PlayTrack(book, false);
  Render(0.5);
  EXPECT_EQ(CurrentChapter(), 2);
  EXPECT_EQ(CurrentChapterTitle(), "\xc3\x89pilogue");
  Key(cmd::PreviousChapter);
  EXPECT_EQ(speech.Last(), "Chapter 2 of 3: Middle");
  StopCommand(true);
  EXPECT_EQ(FindTrack(book)->Start, 10);
}

TEST_F(Books, SleepTimerCyclesFadesOutAndPausesWherePlayResumes) {
  SetMWFlag(setting::OutputFadingEnable, false);
  SetMWNumber(setting::OutputFadingDown, 2);
  int32_t id = AddTrack(Tone("left60.wav", 60));
  PlayTrack(id, false);
  Play(1);

  std::vector<std::string> said;
  for (int i = 0; i < 6; ++i) {
    Key(cmd::SleepTimer);
    said.push_back(speech.Last());
  }
  EXPECT_EQ(said, (std::vector<std::string>{"Sleep timer: 15 minutes", "Sleep timer: 30 minutes",
                                            "Sleep timer: 45 minutes", "Sleep timer: 60 minutes",
                                            "Sleep timer: end of the track", "Sleep timer off"}));
  SetMWValue(setting::DisplayInfos, "%NM");
  EXPECT_EQ(Status(), "left60.wav");
  Key(cmd::SleepTimer);
  EXPECT_EQ(Status(), "left60.wav, Sleep timer: 15 minutes left");
  clockShiftMs += 14 * 60000;  // the singular, then seconds in the last minute
  EXPECT_EQ(Status(), "left60.wav, Sleep timer: 1 minute left");
  clockShiftMs += 30000;
  EXPECT_EQ(Status(), "left60.wav, Sleep timer: 30 seconds left");

  // Time is up: a fade over the fade-out time, then a pause, not a stop.
  clockShiftMs += 30000;
  Play(0.5);
  const double fadeFrom = heard.size() / 2.0 / kRate;
  Play(1.5);
  EXPECT_EQ(alib::ChannelIsActive(OutputChannel().Handle), alib::kActivePlaying);
  const double full = Level(fadeFrom - 1.0, fadeFrom - 0.5, 0);
  EXPECT_GT(full, 0.25);
  EXPECT_LT(Level(fadeFrom + 1.3, fadeFrom + 1.5, 0), 0.75 * full);
  Play(1.5);
  ASSERT_NE(OutputChannel().Handle, 0u);
  EXPECT_EQ(alib::ChannelIsActive(OutputChannel().Handle), alib::kActivePaused);
  EXPECT_EQ(StateOf(id), Pause);
  const double pausedAt = heard.size() / 2.0 / kRate;
  EXPECT_LT(Level(pausedAt - 0.6, pausedAt - 0.5, 0), 0.05 * full);  // the fade ran out before it
  EXPECT_EQ(speech.Last(), "paused");
  EXPECT_EQ(SleepTimerChoice(), SleepChoice::Off);
  EXPECT_EQ(Status(), "left60.wav");
  const double left = Position();
  EXPECT_NEAR(left, 4.0, 0.6);
  Render(1);
  EXPECT_NEAR(Position(), left, 0.01);

  // Play resumes there, at the volume it had before the fade.
  player::Play();
  EXPECT_EQ(StateOf(id), Playing);
  Play(1);
  EXPECT_NEAR(Position(), left + 1, 0.1);
  EXPECT_GT(Level(heard.size() / 2.0 / kRate - 0.5, heard.size() / 2.0 / kRate, 0), 0.9 * full);

  // A pause during the fade gives it up: the listener is awake, Play brings the full volume.
  Key(cmd::SleepTimer);
  clockShiftMs += 15 * 60000;
  Play(0.5);
  PauseCommand(1, false);
  Play(0.5);
  EXPECT_EQ(SleepTimerChoice(), SleepChoice::Off);
  player::Play();
  Play(3);
  EXPECT_EQ(alib::ChannelIsActive(OutputChannel().Handle), alib::kActivePlaying);
  EXPECT_GT(Level(heard.size() / 2.0 / kRate - 0.5, heard.size() / 2.0 / kRate, 0), 0.9 * full);
}

TEST_F(Books, SleepAtTheEndOfTheTrackPausesBeforeTheNextOneStarts) {
  SetMWNumber(setting::OutputFadingDown, 2);
  SetMWNumber(setting::OutputFadingTime, 3);
  int32_t first = AddTrack(Tone("left20.wav", 20));
  int32_t second = AddTrack(Tone("right20.wav", 20, false));
  PlayTrack(first, false);
  for (int i = 0; i < 5; ++i) Key(cmd::SleepTimer);
  ASSERT_EQ(SleepTimerChoice(), SleepChoice::TrackEnd);
  Play(19);
  EXPECT_EQ(OutputChannel().Track.ID, first);
  EXPECT_EQ(alib::ChannelIsActive(OutputChannel().Handle), alib::kActivePaused);
  EXPECT_EQ(StateOf(second), Ready);
  EXPECT_LT(Position(), 17);
  EXPECT_LT(Onset(1), 0);  // the next track was never heard
}

}  // namespace
