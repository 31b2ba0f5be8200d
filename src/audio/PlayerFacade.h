// player: the Output and the Monitor seen from outside the playback layer. What plays and how
// (state, position, length, volume, tempo, title), the actions of the player keys, and change
// events for whoever shows or publishes that state (display refresh, systray, desktop media
// controls).
//
// Conventions
// - Main thread only: every query, every action and every event runs on the GUI thread. Work of
//   the audio library's threads reaches the player through ProcessSyncEvents, which runs there,
//   so an event never arrives on another thread.
// - Actions are the keys: each does exactly what its command does, announcement included, and
//   fires the events of what it changed. Nothing here bypasses the Output controls.
// - Events are fired where the change happens, after the state changed: a listener may query
//   anything and may call actions (their events are delivered at once, nested). A listener
//   added or removed during delivery takes effect from the next event.
// - Events name what changed, not its new value: read it through the queries.
#pragma once
#include <cstdint>
#include <string>

#include "audio/PlayerEvents.h"

namespace player {

enum class State : int { Stopped = 0, Playing = 1, Paused = 2 };

// Queries of the Output.
State Status();
// Play list ID of the Output's track, 0 when none.
int32_t TrackId();
// File or address of the Output's track; empty when none.
std::string Url();
// What the display shows as the track's name: the stream's title, else the alias, else the file
// name; empty when nothing plays.
std::string Title();
// Microseconds from the start of the file; 0 when nothing plays.
int64_t PositionMicros();
// Length of the file in microseconds; -1 when unknown (a network stream or nothing playing).
int64_t LengthMicros();
// Volume in percent (0..MaxVolume()) as the volume keys set it; Muted() lowers what is heard.
int32_t Volume();
int32_t MaxVolume();
bool Muted();
// Tempo in percent (0 normal, -50..100) and pitch in semitones (-10..10) applied now.
float Tempo();
float Pitch();
// The Monitor plays (neither paused, stopped nor ended).
bool MonitorPlaying();

// Actions: the player keys.
void PlaySelected();  // the play command: the play list's selected track (a paused track resumes)
void Play();          // resumes a paused track, plays the selected one when stopped, else nothing
void Pause();         // pauses a playing track, else nothing
void TogglePause();   // the pause command
void Stop();          // the stop command
void Next();          // the next-track command: looping off, then the next track
void Previous();      // the previous-track hotkey: the last played track again
void SeekBy(int32_t seconds);   // the position keys (+10, -10)
void SeekTo(int64_t seconds);   // an absolute position inside the track, announced as the keys do
void SetVolume(int32_t percent);  // the volume setter of the keys and the slider (kept in range)
void ToggleMute();
void SetTempo(float percent);     // kept in range, announced as the tempo keys do

}  // namespace player
