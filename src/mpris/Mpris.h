// The desktop's remote control of the player (media keys, playerctl, panel widgets): what the
// two remote-control interfaces show and do, mapped onto the player, without the bus. The bus
// binding (MprisBus) only turns these values into messages and back.
//
// Conventions
// - Main thread only, like the player: the binding delivers calls from the GUI thread's loop.
// - Every action is the player's key action, announcement included.
// - Property changes are sent from the player's change events, never from a timer, and only
//   for values that really changed since they were last sent. Position is read when asked and
//   reported through Seeked when it jumps.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace mpris {

inline constexpr const char* kBusName = "org.mpris.MediaPlayer2.tondrial";
inline constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
// The track id of "no track".
inline constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// What plays: the metadata map's entries that the binding writes when set.
struct Metadata {
  std::string trackId = kNoTrack;  // an object path
  int64_t lengthMicros = -1;       // mpris:length, left out when < 0
  std::string title;               // xesam:title, left out when empty
  std::string url;                 // xesam:url (a file as a "file://" address), left out when empty
  bool operator==(const Metadata&) const = default;
};

using StringList = std::vector<std::string>;
using Value = std::variant<bool, int64_t, double, std::string, StringList, Metadata>;
using Properties = std::vector<std::pair<std::string, Value>>;

// The object path that names a play list track.
std::string TrackObjectPath(int32_t id);

// What the program does for Raise and Quit (the window comes back; the orderly quit).
struct AppActions {
  std::function<void()> raise;
  std::function<void()> quit;
};

class Remote {
 public:
  // changed(interface, properties) and seeked(position in µs) go out on the bus.
  using ChangedSink = std::function<void(const std::string& iface, const Properties& changed)>;
  using SeekedSink = std::function<void(int64_t positionMicros)>;

  Remote(AppActions app, ChangedSink changed, SeekedSink seeked);
  ~Remote();
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;

  // Every property of an interface, as Properties.GetAll answers; empty for an unknown interface.
  Properties All(const std::string& iface) const;
  // One property; false when the interface has no such property.
  bool Get(const std::string& iface, const std::string& name, Value& out) const;
  // Volume and Rate are writable; false for anything else or a value of the wrong type.
  bool Set(const std::string& iface, const std::string& name, const Value& value);

  // The methods of both interfaces. Seek's offset and SetPosition's position are in µs.
  void Raise();
  void Quit();
  void PlayPause();
  void Play();
  void Pause();
  void Stop();
  void Next();
  void Previous();
  void Seek(int64_t offsetMicros);
  // Ignored unless trackId names the track that plays (a late request about an older track).
  void SetPosition(const std::string& trackId, int64_t positionMicros);
  // Adds the file or address and plays it, as opening an address does.
  void OpenUri(const std::string& uri);

 private:
  void OnChange(int change);
  Properties EmittedPlayerProperties() const;

  AppActions app_;
  ChangedSink changed_;
  SeekedSink seeked_;
  int listener_ = 0;
  Properties lastSent_;  // the player properties as clients last saw them
};

// A "file://" address as a path (its escapes decoded); any other text unchanged.
std::string PathOfUri(const std::string& uri);
// A path as a "file://" address (bytes other than letters, digits and "/-_.~" escaped); an
// address unchanged.
std::string UriOfPath(const std::string& path);

}  // namespace mpris
