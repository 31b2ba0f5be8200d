// Tracks on the Output: streams with tempo and pitch, fades with overlap, the end point and the
// automatic next track, positions, volume, and the events the audio library reports on its
// own threads (queued there, handled on the main thread).
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "audio/PlayerEvents.h"
#include "effects/EffectChain.h"
#include "playlist/Track.h"

// One playing stream. An empty record has Handle 0 and Device 0.
struct ChannelRecord {
  int32_t Device = 0;
  uint32_t Handle = 0;
  ::Track Track;  // a copy of the play list entry taken when the stream started
  AppliedEffectList Effects;
};

ChannelRecord& OutputChannel();
ChannelRecord& FadingChannel();
ChannelRecord& MonitorChannel();

// What the Output controls keep between tracks (emptied by ResetPlayback).
struct OutputStateType {
  int32_t MuteFlags = 0;       // bit 0: muted
  int32_t SavedMuteFlags = 0;  // as they were when the last child window opened
  float GlobalTempo = 0;       // percent, outside the Book profile
  float GlobalPitch = 0;       // semitones, outside the Book profile
};
OutputStateType& OutputState();

// The pause command: 1 when the Output is paused now; with refreshOnly only the caption and
// checks follow mode.
int PauseCommand(int mode, bool refreshOnly);
// The tempo/pitch switch (mode -1 toggles, 0 off, 1 on; the Radio and Book profiles fix it).
void SetTempoPitchEnabled(int mode, bool silent);

// Event codes given to the library with each sync.
inline constexpr int32_t kEventEnd = 1;
inline constexpr int32_t kEventFadeEnd = 4;  // also the tag change of a stream (meta)
inline constexpr int32_t kEventOggChange = 12;
inline constexpr int32_t kEventWmaChange = 65792;
inline constexpr int32_t kEventWmaMeta = 65793;
inline constexpr int32_t kEventFadeOutStart = 8;
inline constexpr int32_t kEventFadeInEnd = 16;

struct SyncEvent {
  uint32_t channel = 0;
  int32_t code = 0;
};
// The events of the library's threads. The lock also guards the Output and fading records while
// a track starts or stops; it is re-entrant because the automatic next track starts a track
// from inside ProcessSyncEvents.
struct SyncEventQueueType {
  std::recursive_mutex lock;
  std::deque<SyncEvent> events;
};
SyncEventQueueType& SyncEventQueue();

struct PositionInfo {
  int32_t Percent = 0;
  int32_t PositionSeconds = 0;
  int32_t LengthSeconds = 0;
  int64_t LengthBytes = 0;
  int64_t PositionBytes = 0;
};

// Starts track on the Output (1) or fails (0); with stop, the Output stops (its track fades out).
// A network stream connects in the background: 1 then means it is connecting; the steps of a
// start (or of a failure) run on the main thread when it is ready. Any later call replaces it.
int OutputPlay(const ::Track* track, bool stop);
// True while the Output waits for a network stream to connect.
bool OutputConnecting();

// Opens the decoding stream of url on a worker thread for the Output or the Monitor (the newest
// request of a side replaces the older one); the result is handed to the main thread by
// ProcessSyncEvents. Returns the request's number.
// The Monitor's stream goes to opened (0 and the error when it failed).
uint64_t OpenUrlInBackground(const std::string& url, bool monitor,
                             std::function<void(uint32_t decoding, int error)> opened = {});
// Forgets the side's pending request (its stream is freed when it arrives).
void CancelUrlOpen(bool monitor);
// Abandons every connect under way, waits for the workers to end and frees what they opened
// (reset, quit).
void WaitForUrlOpens();
// mode -1 toggles, 0 resumes, other values pause; the Output stream's activity state after it.
int SetOutputPause(int mode);
int FadeIn(uint32_t handle);
// Where the Output's end sync for end point `end` (seconds, 0 = none) fires: the next track starts
// there. In whole seconds, as the sync is set.
int32_t EndSyncSeconds(uint32_t handle, int32_t end);
void SetEndSync(uint32_t handle, int32_t end);
// Non-zero when a fade-out is under way for the record's stream.
uint32_t ScheduleFadeOut(ChannelRecord& record);
int FadeOutAndStop(uint32_t handle);
// Fading allowed by the profile and switched on.
bool FadingActive();

// The procedure given to the library: queues (channel, code) and wakes the main loop.
void OnSyncEvent(uint32_t sync, uint32_t channel, uint32_t data, void* user);
void ProcessSyncEvents();
// The stream's title tags were read (code -1) or changed: the record's title follows them.
void OnStreamTags(ChannelRecord& record, int32_t code);
// Called on the library's thread after an event was queued; the UI posts an event to the main
// loop, whose handler runs ProcessSyncEvents. Empty: the 500 ms timer alone handles them.
void SetSyncWakeUp(std::function<void()> wake);

void RememberBookPosition(ChannelRecord& record);
void FreeChannel(ChannelRecord& record);

int ExamineTrack(::Track& track, bool force);
// 0 failure, 1 a field changed, -1 none changed.
int UpdateTrackLength(uint32_t handle, ::Track& track);
// Whole seconds of a stream position (the nearest second).
int32_t WholeSeconds(uint32_t handle, int64_t bytes);

int GetPositionInfo(uint32_t handle, PositionInfo& info);
int OutputPositionInfo(PositionInfo& info);
int SeekSeconds(uint32_t handle, int64_t seconds, bool relative);
int SeekPercent(uint32_t handle, int32_t percent);
int OutputSeekSeconds(int64_t seconds, bool relative);
int OutputSeekPercent(int32_t percent);

int32_t CurrentOutputVolume();
void ApplyOutputVolume();
float EffectiveTempo();
float EffectivePitch();
void ApplyTempo();
void ApplyPitch();

std::string TrackDisplayName(const ::Track& track);
// Position slider, status text, systray information item and window title.
void RefreshPlayerDisplay();
// The 500 ms display timer: position slider and status text (the first call shows the title too).
void RefreshPositionDisplay();
// Systray information item and window title (shown again only when their text changed).
void RefreshTitleDisplay();
// The display's listener of the player's change events: what changed is shown at once.
void RefreshDisplayOnChange(player::Change change);

// Frees every stream, empties the queue and the records, forgets what was shown (start-up, tests).
// The wake-up callback stays; the Monitor's own state is ResetMonitor's.
void ResetPlayback();
