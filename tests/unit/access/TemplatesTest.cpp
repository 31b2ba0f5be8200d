#include "access/Templates.h"

#include <gtest/gtest.h>

#include "access/Speech.h"
#include "lang/Lang.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

TEST(FormatTime, BracketsDropZeroLeadingUnits) {
  const std::string t = "[%hhh][%iim]%sss";
  EXPECT_EQ(FormatTime(3725, t), "1h2m5s");
  EXPECT_EQ(FormatTime(125, t), "2m5s");
  EXPECT_EQ(FormatTime(5, t), "5s");
  EXPECT_EQ(FormatTime(0, t), "0s");
  EXPECT_EQ(FormatTime(3600, t), "1h0m0s");
  EXPECT_EQ(FormatTime(65, "%hh:%ii:%ss"), "0:1:5");
  EXPECT_EQ(FormatTime(3605, "[%hh h ][%ii m ]%ss s"), "1 h 0 m 5 s");
  EXPECT_EQ(FormatTime(90000, "%hh"), "25");  // hours are not limited to a day
  // Brackets without a partner are copied as they are.
  EXPECT_EQ(FormatTime(5, "a [%ss b"), "a [5 b");
  EXPECT_EQ(FormatTime(5, "a ]%ss"), "a ]5");
  EXPECT_EQ(FormatTime(5, "] [%hh h]%ss"), "] 5");
  // Tags in capitals are tags too.
  EXPECT_EQ(FormatTime(65, "[%HH h ]%II:%Ss"), "1:5");
  EXPECT_EQ(FormatTime(7265, "[%HH h ]%II:%Ss"), "2 h 1:5");
  // Also tags beyond ASCII, and a Latin-1 byte of a template read as its letter: the number
  // takes the place of exactly the bytes that matched.
  EXPECT_EQ(FormatTime(65, "%MINÜTE:%SÉK!", "hh", "minüte", "sék"), "1:5!");
  EXPECT_EQ(FormatTime(65, "%min\xDCte:%S\xC9K!", "hh", "minüte", "sék"), "1:5!");
  EXPECT_EQ(FormatTime(61, "%MINÜTE minutes", "hh", "minüte", "sék"), "1 minute");
  // Many sections: each dropped or kept on its own, nothing of the rest lost.
  std::string many, kept;
  for (int i = 0; i < 20000; ++i) {
    many += "[%hh]" + std::to_string(i) + "[%ss]";
    kept += std::to_string(i) + "5";
  }
  EXPECT_EQ(FormatTime(5, many), kept);
}

class Status : public ::testing::Test, public StatusSource {
 protected:
  void SetUp() override {
    ResetSettings();
    RegisterSettings();
    SetStatusSource(this);
  }
  void TearDown() override {
    SetStatusSource(nullptr);
    ResetSettings();
  }
  StatusPosition OutputPosition() override { return pos; }
  StatusTrack OutputTrack() override { return track; }
  std::string OutputEffectName() override { return "Salle"; }
  std::string MonitorEffectName() override { return "Aucun effet"; }
  std::string ProfileName() override { return "Livre"; }
  int TrackCount() override { return 12; }
  int SelectedLine() override { return 3; }

  StatusPosition pos;
  StatusTrack track{"/music/Album/song.mp3", "", ""};
};

TEST_F(Status, DefaultTemplates) {
  track.streamTitle = "Song";
  EXPECT_EQ(FormatStatus(GetMWValue(setting::PlayingStatus), {37, 75, 200}),
            "1minute 15 secondes,37% , Song, Salle");
  EXPECT_EQ(FormatStatus(GetMWValue(setting::NormalStatus), {}), "3 sur 12, Livre");
  // "%NM" of the default information template names the track; "%VL%" keeps its percent sign.
  EXPECT_EQ(FormatStatus(GetMWValue(setting::DisplayInfos), {37, 75, 200}),
            "1 minute 15 secondes, Song, Salle, Volume 80%");
}

// A unit word after a 1 is singular, in either language and letter case; other counts, short
// unit letters and words that do not end in "s" stay as written. The chapter placeholder and
// the sleep timer's remaining time come from the player.
TEST_F(Status, OneUnitIsSingularAndChapterAndSleepTimerComeFromThePlayer) {
  const std::string fr = "[%hh heures ][%iiminutes ]%ss secondes";
  EXPECT_EQ(FormatTime(3661, fr), "1 heure 1minute 1 seconde");
  EXPECT_EQ(FormatTime(7322, fr), "2 heures 2minutes 2 secondes");
  EXPECT_EQ(FormatTime(3600 + 11 * 60 + 21, "[%hh hours ][%ii minutes ]%ss seconds"), "1 hour 11 minutes 21 seconds");
  EXPECT_EQ(FormatTime(61, "%ii MINUTES, %ss Sekunde"), "1 MINUTE, 1 Sekunde");
  EXPECT_EQ(FormatTime(3661, "[%hhh][%iim]%sss"), "1h1m1s");
  EXPECT_EQ(FormatTime(1, "%ss  secs (%ss)s"), "1  secs (1)s");
  EXPECT_EQ(FormatStatus("%rs seconds left of %ti minutes", {0, 119, 120}), "1 second left of 2 minutes");
  EXPECT_EQ(FormatTime(1, "\xc4\xb0%SS S\xc4\xb0s, %ss"), "\xc4\xb0" "1 S\xc4\xb0, 1");  // byte places survive

  struct Book : StatusSource {
    std::string ChapterTitle() override { return "%PC chapter"; }
    std::string SleepTimerText() override { return "Sleep timer: 5 minutes left"; }
  } book;
  SetStatusSource(&book);
  EXPECT_EQ(FormatStatus("%CH, %PC%", {37, 75, 200}), "%PC chapter, 37%");
  RecordingSpeech said;
  SetSpeechBackend(&said);
  SetMWValue(setting::DisplayInfos, "%PC%");
  SayStatus();
  EXPECT_EQ(said.Last(), "0%, Sleep timer: 5 minutes left");
  SetSpeechBackend(nullptr);
  SetStatusSource(this);
}

TEST_F(Status, RemainingAndLengthTags) {
  EXPECT_EQ(FormatStatus("[%rh h ][%ri min ]%rs s", {0, 75, 200}), "0 h 2 min 5 s");
  EXPECT_EQ(FormatStatus("%th:%ti:%ts [%hh h]", {0, 75, 3725}), "1:2:5 ");
  // A stream of unknown length: no negative remaining time.
  EXPECT_EQ(FormatStatus("%rs", {0, 120, 0}), "0");
}

TEST_F(Status, PlaceholdersAndTheirCase) {
  EXPECT_EQ(FormatStatus("%SN|%ST|%SA|%ME", {}), "song.mp3|song.mp3|song.mp3|Aucun effet");
  track.alias = "Intro";
  EXPECT_EQ(FormatStatus("%ST|%SA", {}), "Intro|Intro");
  track.streamTitle = "Live";
  EXPECT_EQ(FormatStatus("%ST|%SA", {}), "Live|Intro");
  EXPECT_EQ(FormatStatus("%pt/%Ct %pn %st %pc", {5, 0, 0}), "3/12 %pn %st %pc");
  // What is put in is not read again.
  track.streamTitle = "100% %CT %PN";
  EXPECT_EQ(FormatStatus("%ST (%PC%)", {42, 0, 0}), "100% %CT %PN (42%)");
}

TEST_F(Status, SayStatusSpeaksTheInfosTemplate) {
  RecordingSpeech rec;
  SetSpeechBackend(&rec);
  SetMWValue(setting::DisplayInfos, "%ss s, %OE, %VL");
  pos = {50, 100, 200};
  Speak("x", "Volume ");
  SayStatus();
  EXPECT_EQ(rec.Last(), "40 s, Salle, 80");
  EXPECT_EQ(rec.lines.back().second, true);
  Speak("y", "Volume ");  // the status did not reset the label
  EXPECT_EQ(rec.Last(), "y");
  SetSpeechBackend(nullptr);
}

TEST(ParseTime, Expressions) {
  struct Case {
    const char* text;
    int64_t pos, len, want;
  } cases[] = {
      {"+10%", 100, 300, 130}, {"400", 100, 300, 100}, {"", 100, 300, 0},     {"+", 100, 300, 100},
      {"-30s", 10, 300, 0},    {"1:30", 0, 9999, 90},  {"1:02:03", 0, 9999, 3723},
      {"1:2:3:4", 0, 9999, 3723}, {"1h 30m", 0, 9999, 5400}, {"1h30m", 0, 9999, 5400},
      {"2m30", 0, 9999, 150},  {"90", 0, 9999, 90},    {"90s", 0, 9999, 90}, {"  +  1M ", 10, 9999, 70},
      {"50%", 0, 301, 151},    {"12.5%", 0, 200, 25},  {"%", 7, 200, 0},     {"abc", 7, 200, 0},
      {"- 10", 100, 300, 90},  {"1:xx", 0, 9999, 60},  {":", 0, 9999, 0},
      {"99999999999999999999999", 5, 300, 5},  // huge numbers keep the position
      {"+99999999999999999999%", 5, 300, 5},   {"-99999999999999999h", 5, 300, 0},
      {"30", 50, 20, 20},  // position already past the end: the length
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTimeExpression(c.text, c.pos, c.len), c.want) << '"' << c.text << '"';
}

}  // namespace

TEST(ValueTexts, SecondsAndFrequencies) {
  LangTable().push_back({"Time.Second", "seconds"});
  SortLangTable();
  EXPECT_EQ(SecondsText(3), "3.0 seconds");
  EXPECT_EQ(SecondsText(-0.04), "0.0 seconds");  // no "-0.0"
  EXPECT_EQ(FrequencyText(999), "999 Hz");
  EXPECT_EQ(FrequencyText(1000), "1 KHz");
  EXPECT_EQ(FrequencyText(1550), "1.6 KHz");
  EXPECT_EQ(FrequencyText(20000), "20 KHz");
}
