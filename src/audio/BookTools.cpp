#include "audio/BookTools.h"

#include <algorithm>
#include <chrono>

#include "access/Speech.h"
#include "app/Commands.h"
#include "app/EventLog.h"
#include "audio/OutputControls.h"
#include "audio/Playback.h"
#include "audio/PlayerEvents.h"
#include "lang/Lang.h"
#include "playlist/PlayListFile.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

struct ChapterCache {
  std::string file;
  std::vector<alib::ChapterInfo> chapters;
};
ChapterCache g_chapters;

struct SleepState {
  SleepChoice choice = SleepChoice::Off;
  int64_t deadline = 0;     // clock ms, for the minute choices
  uint32_t fadeHandle = 0;  // the Output stream being faded out, 0 when no fade runs
  bool fadeRanOut = false;  // the slide ended; what the device holds ahead is still being heard
};
SleepState g_sleep;
std::function<int64_t()> g_clock;

int64_t NowMs() {
  if (g_clock) return g_clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int SleepMinutes(SleepChoice c) {
  switch (c) {
    case SleepChoice::Min15: return 15;
    case SleepChoice::Min30: return 30;
    case SleepChoice::Min45: return 45;
    case SleepChoice::Min60: return 60;
    default: return 0;
  }
}

int64_t OutputBytePosition() {
  const uint32_t h = OutputChannel().Handle;
  return h ? alib::ChannelGetPosition(h, alib::kPosByte) : -1;
}

std::string ChapterText(int index) {
  const auto& list = OutputChapters();
  const std::string number = std::to_string(index + 1), total = std::to_string(list.size());
  const std::string& title = list[static_cast<size_t>(index)].title;
  return title.empty() ? Lang("Say.ChapterNumber", number, total) : Lang("Say.Chapter", number, total, title);
}

void SayChapter(int index) { Speak(ChapterText(index)); }

void JumpToChapter(int index) {
  const uint32_t h = OutputChannel().Handle;
  const auto& list = OutputChapters();
  if (!h || index < 0 || index >= static_cast<int>(list.size())) return;
  if (!alib::ChannelSetPosition(h, list[static_cast<size_t>(index)].start, alib::kPosByte)) {
    Speak(Lang("Say.PositionCantMove"));
    return;
  }
  player::Notify(player::Change::PositionJumped);
  SayChapter(index);
}

void SleepOff() {
  g_sleep = SleepState{};
}

// The fade ran out, or the time is up with no fade-out time: the Output pauses where it is.
void PauseForSleep() {
  SleepOff();
  PauseCommand(1, false);
  ApplyOutputVolume();  // silent while paused; Play resumes at the usual volume
  AddLog("- Sleep timer: Output paused");
}

void StartSleepFade() {
  const uint32_t h = OutputChannel().Handle;
  if (!h || alib::ChannelIsActive(h) != alib::kActivePlaying) {
    SleepOff();
    AddLog("- Sleep timer: nothing playing");
    return;
  }
  const int32_t down = GetMWNumber(setting::OutputFadingDown);
  if (down <= 0 || !alib::ChannelSlideAttribute(h, alib::kAttribVol, 0, static_cast<uint32_t>(down) * 1000)) {
    PauseForSleep();
    return;
  }
  g_sleep.fadeHandle = h;
}

// Where the fade must start so that it has run out before the track's end starts the next one.
bool TrackEndReached() {
  const ChannelRecord& out = OutputChannel();
  if (!out.Handle || alib::ChannelIsActive(out.Handle) != alib::kActivePlaying) return false;
  const int64_t length = alib::ChannelGetLength(out.Handle, alib::kPosByte);
  const int64_t pos = alib::ChannelGetPosition(out.Handle, alib::kPosByte);
  if (length <= 0 || pos < 0) return false;
  // One second to spare: the check runs every half second, faster with a higher tempo.
  const int32_t fadeStart = EndSyncSeconds(out.Handle, out.Track.End) - std::max(0, GetMWNumber(setting::OutputFadingDown)) - 1;
  return pos >= alib::ChannelSeconds2Bytes(out.Handle, fadeStart);
}

}  // namespace

const std::vector<alib::ChapterInfo>& OutputChapters() {
  const ChannelRecord& out = OutputChannel();
  const std::string file = out.Handle ? out.Track.File : std::string();
  if (file != g_chapters.file) {
    g_chapters.file = file;
    g_chapters.chapters.clear();
    if (!file.empty() && !IsURL(file)) alib::FileGetChapters(file.c_str(), &g_chapters.chapters);
  }
  return g_chapters.chapters;
}

int CurrentChapter() {
  const auto& list = OutputChapters();
  const int64_t pos = OutputBytePosition();
  if (list.empty() || pos < 0) return -1;
  int index = -1;
  for (size_t i = 0; i < list.size() && list[i].start <= pos; ++i) index = static_cast<int>(i);
  return index;
}

std::string CurrentChapterTitle() {
  const int i = CurrentChapter();
  if (i < 0) return {};
  const std::string& title = OutputChapters()[static_cast<size_t>(i)].title;
  return title.empty() ? Lang("Say.ChapterUntitled", std::to_string(i + 1)) : title;
}

std::string CurrentChapterText() {
  const int i = CurrentChapter();
  return i < 0 ? std::string() : ChapterText(i);
}

void NextChapter() {
  const auto& list = OutputChapters();
  if (list.empty()) {
    Speak(Lang("Say.NoChapters"));
    return;
  }
  const int next = CurrentChapter() + 1;
  if (next >= static_cast<int>(list.size())) {
    Speak(Lang("Say.LastChapter"));
    return;
  }
  JumpToChapter(next);
}

void PreviousChapter() {
  const auto& list = OutputChapters();
  if (list.empty()) {
    Speak(Lang("Say.NoChapters"));
    return;
  }
  const int current = CurrentChapter();
  if (current < 0) {
    JumpToChapter(0);
    return;
  }
  const int64_t into = OutputBytePosition() - list[static_cast<size_t>(current)].start;
  const bool restart = current == 0 || alib::ChannelBytes2Seconds(OutputChannel().Handle, into) > kChapterRestartSeconds;
  JumpToChapter(restart ? current : current - 1);
}

std::string MinutesText(int64_t minutes) {
  return minutes == 1 ? Lang("Time.OneMinute") : Lang("Time.Minutes", std::to_string(minutes));
}

std::string SecondsCountText(int64_t seconds) {
  return seconds == 1 ? Lang("Time.OneSecond") : Lang("Time.SecondsCount", std::to_string(seconds));
}

void CycleSleepTimer() {
  // A fade under way is given up: the listener is awake.
  if (g_sleep.fadeHandle && g_sleep.fadeHandle == OutputChannel().Handle) ApplyOutputVolume();
  const int next = (static_cast<int>(g_sleep.choice) + 1) % (static_cast<int>(SleepChoice::TrackEnd) + 1);
  g_sleep = SleepState{};
  g_sleep.choice = static_cast<SleepChoice>(next);
  if (const int minutes = SleepMinutes(g_sleep.choice)) {
    g_sleep.deadline = NowMs() + int64_t(minutes) * 60000;
    Speak(Lang("Say.SleepIn", MinutesText(minutes)));
  } else if (g_sleep.choice == SleepChoice::TrackEnd) {
    Speak(Lang("Say.SleepTrackEnd"));
  } else {
    Speak(Lang("Say.SleepOff"));
  }
}

SleepChoice SleepTimerChoice() { return g_sleep.choice; }

std::string SleepTimerStatus() {
  if (g_sleep.choice == SleepChoice::Off) return {};
  if (g_sleep.choice == SleepChoice::TrackEnd) return Lang("Say.SleepTrackEnd");
  const int64_t left = std::max<int64_t>(0, g_sleep.deadline - NowMs());
  if (left >= 60000) return Lang("Say.SleepLeft", MinutesText((left + 59999) / 60000));
  return Lang("Say.SleepLeft", SecondsCountText((left + 999) / 1000));
}

void SleepTimerTick() {
  if (g_sleep.fadeHandle) {
    const uint32_t h = OutputChannel().Handle;
    if (h != g_sleep.fadeHandle) {
      // Another track took the Output, or it stopped: the fade went with the old stream.
      SleepOff();
      return;
    }
    if (alib::ChannelIsActive(h) != alib::kActivePlaying) {
      ApplyOutputVolume();
      SleepOff();
      return;
    }
    // One more turn of the timer, so that the end of the fade is heard before the pause.
    if (g_sleep.fadeRanOut) PauseForSleep();
    else g_sleep.fadeRanOut = !alib::ChannelIsSliding(h, alib::kAttribVol);
    return;
  }
  switch (g_sleep.choice) {
    case SleepChoice::Off: return;
    case SleepChoice::TrackEnd:
      if (TrackEndReached()) StartSleepFade();
      return;
    default:
      if (NowMs() >= g_sleep.deadline) StartSleepFade();
      return;
  }
}

void SetSleepClock(std::function<int64_t()> clock) { g_clock = std::move(clock); }

void ResetBookTools() {
  g_chapters = ChapterCache{};
  SleepOff();
}

Feature BookToolsFeature() {
  Feature f;
  f.prepare = ResetBookTools;
  f.commonEvent = [](int id, bool /*fromMainWindow*/) {
    switch (id) {
      case -2: SleepTimerTick(); return false;  // the queued playback events are handled next
      case cmd::NextChapter: NextChapter(); return true;
      case cmd::PreviousChapter: PreviousChapter(); return true;
      case cmd::SleepTimer: CycleSleepTimer(); return true;
      default: return false;
    }
  };
  return f;
}
