// player: the change events of the Output, fired by the playback layer where the change happens
// and heard by whoever shows or publishes the player's state. Main thread only; see
// PlayerFacade.h for the conventions and the queries a listener reads the new state with.
#pragma once
#include <functional>

namespace player {

enum class Change : int {
  TrackStarted,    // a new track is the Output's (title, url, length and position are new too)
  TrackEnded,      // the Output has no track any more: the last one ended or was stopped
  Paused,          // the Output's track was paused
  Resumed,         // the Output's paused track plays again
  PositionJumped,  // the Output's position moved by a seek (not by playing on)
  VolumeChanged,   // the Output's volume or mute changed
  TempoChanged,    // the Output's tempo or pitch (or their switch) changed
  TitleChanged,    // the title of the Output's track changed (a stream's new title)
};

using Listener = std::function<void(Change)>;
// Returns a token for RemoveListener (never 0). Listeners are called in the order they were added.
int AddListener(Listener listener);
void RemoveListener(int token);
// For the playback layer: delivers change to every listener.
void Notify(Change change);

}  // namespace player
