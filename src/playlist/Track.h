// The track record and the three lists that hold tracks: the play list of the current
// profile, the played history and the explorer's entries. Identifiers are unique across them.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

enum TrackState : int32_t {
  Ready = 0,
  Playing = 1,
  Pause = 2,
  Played = 3,
  FadeOut = 4,
};

inline constexpr int32_t kTrackFlagLoop = 1;
// The played history keeps at most this many entries after an append.
inline constexpr size_t kPlayedListMax = 101;

struct Track {
  std::string File;         // path, or the address of a stream; explorer folders end with "/"
  int32_t ID = 0;           // negative for explorer folders and playlists
  std::string Alias;
  std::string Name;         // file-name part, filled by the examination
  std::string StreamTitle;  // last title read from a stream's tags
  int32_t Length = 0;       // seconds; 0 unknown; -1 a stream
  int32_t End = 0;
  int32_t Start = 0;        // doubles as the reading position of a book
  int32_t State = Ready;
  int32_t Flags = 0;
  float Tempo = 0;          // percent
  float Pitch = 0;          // semitones
  int32_t Order = 0;        // row index, written by SyncOrder
};

// An ordered list of tracks with look-ups by ID and by file (ignoring case) that stay
// fast for lists of many thousand tracks. Elements may be edited in place, except their
// ID and File: the indexes are built from those two and only the list may change them.
class TrackList {
 public:
  using iterator = std::vector<Track>::iterator;
  using const_iterator = std::vector<Track>::const_iterator;

  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  Track& operator[](size_t i) { return items_[i]; }
  const Track& operator[](size_t i) const { return items_[i]; }
  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }
  const std::vector<Track>& Items() const { return items_; }

  Track* Find(int32_t id);
  const Track* Find(int32_t id) const;
  // The track whose File equals file ignoring letter case.
  Track* FindFile(const std::string& file);

  void Append(Track t);
  bool Remove(int32_t id);
  void RemoveFirst();
  void Clear();
  void Assign(std::vector<Track> items);
  std::vector<Track> Take();
  template <class Pred>
  size_t RemoveIf(Pred pred) {
    size_t before = items_.size();
    std::erase_if(items_, pred);
    if (items_.size() != before) dirty_ = true;
    return before - items_.size();
  }
  // Stable sort by Order, ascending.
  void SortByOrder();

 private:
  void Reindex() const;
  std::vector<Track> items_;
  mutable std::unordered_map<int32_t, size_t> byId_;
  mutable std::unordered_map<std::string, size_t> byFile_;
  mutable bool dirty_ = true;
};

TrackList& PlayList();
TrackList& PlayedList();
TrackList& ExploreList();

// Next identifier free in all three lists; wraps to 1 after the largest int32.
int32_t NewTrackID();
// The play list's track with this ID, or null.
Track* FindTrack(int32_t id);
// 1 added (id receives its ID), -1 already present by file ignoring case (id receives
// the present track's ID), 0 refused (negative ID).
int AddTrack(const Track& track, int32_t& id);
void SetTrackState(int32_t id, int32_t state);
void SetTrackFlag(int32_t id, int32_t mask, bool on);
bool IsActiveState(int32_t state);
// ID of the first Playing or Paused track of the play list, or 0.
int32_t ActiveTrackID();
// Trims the history to make room, then appends a copy of the play list's track.
void AddToPlayedList(int32_t id);
int32_t IsInPlayedList(int32_t id);

// The identifier counter (tests set it near the end of its range).
int32_t& LastTrackID();
// Empties the three lists and restarts the counter (tests).
void ResetTracks();
