// What the play list needs from the Output engine. The playback layer implements it and
// installs itself with SetPlayerPort; until then (and in tests) another port stands in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "playlist/Track.h"

class PlayerPort {
 public:
  virtual ~PlayerPort() = default;

  // Starts track on the Output (1) or fails (0); with stop, the track is ignored and the Output stops.
  virtual int OutputPlay(const Track* /*track*/, bool /*stop*/) { return 0; }
  // The Output has a stream (playing, paused or fading in).
  virtual bool IsOutputBusy() { return false; }
  // ID of the track on the Output, 0 when none.
  virtual int32_t OutputTrackID() { return 0; }
  // Length of a file in whole seconds, or -1 when it does not open as a stream.
  virtual int32_t StreamLengthSeconds(const std::string& /*file*/) { return -1; }
  // Non-zero when the track is usable; fills Name, Length and corrects End and Start.
  // The default learns lengths through StreamLengthSeconds.
  virtual int ExamineTrack(Track& track, bool force);
  // Examines files as a forced ExamineTrack would, all at once (the Output engine uses every
  // core): each one's length in whole seconds, or -1 when it does not open as a stream (logged
  // as ExamineTrack logs it). The default asks StreamLengthSeconds in turn.
  virtual std::vector<int32_t> ExamineFiles(const std::vector<std::string>& files);

  // Controls the profile switch and the play command bring up to date.
  virtual void RefreshPauseButton() {}
  virtual void SetMute(bool /*on*/, bool /*silent*/) {}
  virtual void SetTempoPitchEnabled(bool /*on*/, bool /*silent*/) {}
  virtual void RefreshPlayerDisplay() {}

  // Pre-listening from a window: the Monitor plays the play list's track (started first when
  // it does not hold it yet) from `seconds`, kept inside the track. 1 when it plays.
  virtual int MonitorPreListen(int32_t /*id*/, int32_t /*seconds*/) { return 0; }
  // The Monitor is playing now (neither paused nor stopped).
  virtual bool IsMonitorPlaying() { return false; }
  // A list's selection moved while the Monitor played: it plays the play list's track.
  virtual void MonitorPlayTrack(int32_t /*id*/) {}
};

PlayerPort& Player();
// null: back to the silent port.
void SetPlayerPort(PlayerPort* port);

// The part of a path or address after its last "/" or "\".
std::string TrackNameOf(const std::string& file);
// Applies a stream length to a track: 0 on failure (length < 0), 1 when a field changed, -1 when none.
int UpdateTrackLength(int32_t lengthSeconds, Track& track);
