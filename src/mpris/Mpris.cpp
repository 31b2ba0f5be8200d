#include "mpris/Mpris.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/Commands.h"
#include "audio/PlayerFacade.h"
#include "playlist/AddMedia.h"
#include "playlist/Profiles.h"

namespace mpris {

namespace {

// Tempo is in percent beside the normal speed (-50..100); a rate is a factor of it.
constexpr double kMinTempo = -50.0;
constexpr double kMaxTempo = 100.0;

bool TempoAllowed() { return IsFeatureAllowed(cmd::EnableTempoPitch); }

const char* StatusText(player::State s) {
  switch (s) {
    case player::State::Playing: return "Playing";
    case player::State::Paused: return "Paused";
    default: return "Stopped";
  }
}

Metadata CurrentMetadata() {
  Metadata m;
  const int32_t id = player::TrackId();
  if (id == 0) return m;
  m.trackId = TrackObjectPath(id);
  m.lengthMicros = player::LengthMicros();
  m.title = player::Title();
  m.url = UriOfPath(player::Url());
  return m;
}

double CurrentRate() { return TempoAllowed() ? 1.0 + player::Tempo() / 100.0 : 1.0; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string TrackObjectPath(int32_t id) {
  // Object path elements allow [A-Za-z0-9_] only: no minus sign.
  return std::string("/org/tondrial/track/") + (id < 0 ? "n" : "") + std::to_string(id < 0 ? -int64_t{id} : id);
}

std::string PathOfUri(const std::string& uri) {
  const std::string scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0) return uri;
  std::string rest = uri.substr(scheme.size());
  // "file:///a" and "file://localhost/a" name this machine's "/a".
  if (rest.compare(0, 9, "localhost") == 0) rest.erase(0, 9);
  if (rest.empty() || rest[0] != '/') return uri;
  std::string out;
  for (size_t i = 0; i < rest.size(); ++i) {
    int hi = 0, lo = 0;
    if (rest[i] == '%' && i + 2 < rest.size() && (hi = HexDigit(rest[i + 1])) >= 0 &&
        (lo = HexDigit(rest[i + 2])) >= 0 && (hi || lo)) {  // an escaped NUL stays as written
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += rest[i];
    }
  }
  return out;
}

std::string UriOfPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;  // an address already
  static const char* kHex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (plain || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

Remote::Remote(AppActions app, ChangedSink changed, SeekedSink seeked)
    : app_(std::move(app)), changed_(std::move(changed)), seeked_(std::move(seeked)) {
  lastSent_ = EmittedPlayerProperties();
  listener_ = player::AddListener([this](player::Change c) { OnChange(static_cast<int>(c)); });
}

Remote::~Remote() { player::RemoveListener(listener_); }

Properties Remote::EmittedPlayerProperties() const {
  const bool allowed = TempoAllowed();
  const bool track = player::TrackId() != 0;
  return {
      {"PlaybackStatus", std::string(StatusText(player::Status()))},
      {"Metadata", CurrentMetadata()},
      {"Volume", player::Volume() / 100.0},
      {"Rate", CurrentRate()},
      {"MinimumRate", allowed ? 1.0 + kMinTempo / 100.0 : 1.0},
      {"MaximumRate", allowed ? 1.0 + kMaxTempo / 100.0 : 1.0},
      {"CanSeek", track && player::LengthMicros() > 0},
  };
}

Properties Remote::All(const std::string& iface) const {
  if (iface == kRootInterface) {
    return {
        {"CanQuit", true},
        {"CanRaise", true},
        {"HasTrackList", false},
        {"Identity", std::string("Tondrial")},
        {"DesktopEntry", std::string("tondrial")},
        {"SupportedUriSchemes", StringList{"file", "http", "https", "ftp"}},
        {"SupportedMimeTypes", StringList{"audio/mpeg", "audio/ogg", "audio/x-wav", "audio/x-aiff", "audio/x-ms-wma",
                                          "audio/mp4", "audio/aac", "audio/flac", "audio/x-mpegurl"}},
    };
  }
  if (iface == kPlayerInterface) {
    Properties p = EmittedPlayerProperties();
    p.emplace_back("Position", player::PositionMicros());
    p.emplace_back("CanGoNext", true);
    p.emplace_back("CanGoPrevious", true);
    p.emplace_back("CanPlay", true);
    p.emplace_back("CanPause", true);
    p.emplace_back("CanControl", true);
    return p;
  }
  return {};
}

bool Remote::Get(const std::string& iface, const std::string& name, Value& out) const {
  for (auto& [n, v] : All(iface))
    if (n == name) {
      out = v;
      return true;
    }
  return false;
}

bool Remote::Set(const std::string& iface, const std::string& name, const Value& value) {
  if (iface != kPlayerInterface) return false;
  const double* d = std::get_if<double>(&value);
  if (!d || !std::isfinite(*d)) return false;
  if (name == "Volume") {
    // The volume keys' setter keeps it in range and says the new value.
    player::SetVolume(static_cast<int32_t>(std::lround(std::clamp(*d, 0.0, 10.0) * 100.0)));
    return true;
  }
  if (name == "Rate") {
    // A rate of 0 would mean "pause" to some clients: we keep to the tempo range instead.
    if (!TempoAllowed()) return true;
    player::SetTempo(static_cast<float>(std::clamp((*d - 1.0) * 100.0, kMinTempo, kMaxTempo)));
    return true;
  }
  return false;
}

void Remote::Raise() {
  if (app_.raise) app_.raise();
}
void Remote::Quit() {
  if (app_.quit) app_.quit();
}
void Remote::PlayPause() {
  // Stopped, the pause key does nothing; a remote's play/pause button starts the selected track.
  if (player::Status() == player::State::Stopped) player::Play();
  else player::TogglePause();
}
void Remote::Play() { player::Play(); }
void Remote::Pause() { player::Pause(); }
void Remote::Stop() { player::Stop(); }
void Remote::Next() { player::Next(); }
void Remote::Previous() { player::Previous(); }

void Remote::Seek(int64_t offsetMicros) {
  const int64_t seconds = (offsetMicros + (offsetMicros < 0 ? -500000 : 500000)) / 1000000;
  if (seconds == 0 || player::TrackId() == 0) return;
  // Some remotes expect a seek past the end to go to the next track; the position keys stop at
  // the end, and a remote does what the keys do.
  player::SeekBy(static_cast<int32_t>(std::clamp<int64_t>(seconds, INT32_MIN, INT32_MAX)));
}

void Remote::SetPosition(const std::string& trackId, int64_t positionMicros) {
  const int32_t id = player::TrackId();
  if (id == 0 || trackId != TrackObjectPath(id) || positionMicros < 0) return;
  const int64_t length = player::LengthMicros();
  if (length >= 0 && positionMicros > length) return;
  player::SeekTo(positionMicros / 1000000);
}

void Remote::OpenUri(const std::string& uri) { AddURL(0, PathOfUri(uri)); }

void Remote::OnChange(int change) {
  if (static_cast<player::Change>(change) == player::Change::PositionJumped && seeked_)
    seeked_(player::PositionMicros());
  Properties now = EmittedPlayerProperties();
  Properties diff;
  for (size_t i = 0; i < now.size(); ++i)
    if (i >= lastSent_.size() || !(now[i].second == lastSent_[i].second)) diff.push_back(now[i]);
  lastSent_ = std::move(now);
  if (!diff.empty() && changed_) changed_(kPlayerInterface, diff);
}

}  // namespace mpris
