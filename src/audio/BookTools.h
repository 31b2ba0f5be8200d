// What book readers use inside one long file: its chapters on the Output, and the sleep timer
// that fades the Output out and pauses it (the position is kept, Play resumes there).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/AppHooks.h"
#include "audiolib/AudioLib.h"

// Chapters of the Output's track (read once per file); empty when it has none or nothing plays.
const std::vector<alib::ChapterInfo>& OutputChapters();
// Index of the chapter the Output is in, -1 when none.
int CurrentChapter();
// The current chapter's title ("Chapter 3" when it has none); empty when there is no chapter.
std::string CurrentChapterTitle();
// The current chapter as its jump announces it ("Chapter 4 of 12: title"); empty when none.
std::string CurrentChapterText();
// The chapter keys, with their announcement "Chapter 4 of 12: title". Previous goes back to
// the start of the current chapter when more than kChapterRestartSeconds into it.
void NextChapter();
void PreviousChapter();
inline constexpr double kChapterRestartSeconds = 3.0;

// The sleep timer's choices, in the order the key cycles through them.
enum class SleepChoice : int { Off = 0, Min15, Min30, Min45, Min60, TrackEnd };
// The key: the next choice, spoken.
void CycleSleepTimer();
SleepChoice SleepTimerChoice();
// While a timer runs, what the status command adds ("Sleep in 12 minutes"); else empty.
std::string SleepTimerStatus();
// Timer 2: starts the fade when the time is up, pauses when the fade has run out.
void SleepTimerTick();
// Milliseconds of a monotonic clock; tests drive the timer with their own (empty: the system's).
void SetSleepClock(std::function<int64_t()> clock);

// "1 minute", "5 minutes", "1 second"… in the current language.
std::string MinutesText(int64_t minutes);
std::string SecondsCountText(int64_t seconds);

// Empties the chapter cache and switches the timer off (start-up, tests).
void ResetBookTools();
// The chapter and sleep keys in every window, and the timer's check on timer 2.
Feature BookToolsFeature();
