// The time template language of every duration, position and status text, the reverse
// reading of a typed time, and the spoken status.
#pragma once
#include <cstdint>
#include <string>

// "[…]" sections holding a unit that is zero together with every larger unit are dropped;
// "%"+tag placeholders (any letter case) become plain decimal numbers.
std::string FormatTime(int64_t seconds, const std::string& tmpl, const std::string& hourTag = "hh",
                       const std::string& minuteTag = "ii", const std::string& secondTag = "ss");

// "3.0 secondes": one decimal and the language's word for seconds, as sliders and spinners
// of durations show their value.
std::string SecondsText(double seconds);
// "60 Hz" below 1000 Hz, then kilohertz with a decimal only where it is not zero: "1 KHz", "3.5 KHz".
std::string FrequencyText(double hertz);

// Position of the Output stream, whole seconds; zero when nothing plays.
struct StatusPosition {
  int64_t percent = 0;   // position × 100 ÷ length, truncated
  int64_t position = 0;
  int64_t length = 0;
};

// The track on the Output, as the status texts need it.
struct StatusTrack {
  std::string file;         // path or address
  std::string alias;        // "" when none
  std::string streamTitle;  // title from the stream's tags, "" when none
};

// What the status texts read from the player. The playback layer registers its own; the
// default answers as a player with nothing loaded.
class StatusSource {
 public:
  virtual ~StatusSource() = default;
  virtual StatusPosition OutputPosition() { return {}; }
  virtual StatusTrack OutputTrack() { return {}; }
  virtual std::string OutputEffectName() { return {}; }   // name of the set assigned to the Output
  virtual std::string MonitorEffectName() { return {}; }
  virtual std::string ProfileName() { return {}; }        // display name of the current profile
  virtual int TrackCount() { return 0; }                  // tracks in the playlist
  virtual int SelectedLine() { return 0; }                // 1-based selected line, 0 when none
  virtual std::string ChapterTitle() { return {}; }       // chapter of the Output's track, "" when none
  virtual std::string SleepTimerText() { return {}; }     // "" while no sleep timer runs
  // Where the Output is in its book ("Chapter 2 of 12: title"), "" when the track has no chapters.
  virtual std::string ChapterText() { return {}; }
};
StatusSource& TheStatusSource();
void SetStatusSource(StatusSource* source);  // null: the default

// Time tags (position "hh ii ss", remaining "rh ri rs", length "th ti ts"), then the status
// placeholders (%PC %VL %OE %ME %PN %CT %PT %SN %ST %SA %CH). Texts put in are not read again
// for placeholders, so a stream title holding "%CT" is shown as it is.
std::string FormatStatus(const std::string& tmpl, const StatusPosition& pos);

// A typed time: "+"/"-" offsets, "n%" of the length, "h:m:s", "1h30m", plain seconds.
// Never below 0; a target past the length keeps the position.
int64_t ParseTimeExpression(const std::string& text, int64_t position, int64_t length);

// The template a setting holds, for the current language: while the setting keeps its
// registered default, the language file's text of the same key ("Display.SayTime"…) when
// it has one; a template the user changed, as stored. Other settings: their stored value.
std::string TemplateText(int32_t settingId);
// What to store for a template edited to `shown`: the default again when it is the
// language's own text, so it goes on following the language.
std::string TemplateToStore(int32_t settingId, const std::string& shown);

// Speaks the "Display.Infos" template for the Output's position, and the sleep timer's
// remaining time while one runs.
void SayStatus();
