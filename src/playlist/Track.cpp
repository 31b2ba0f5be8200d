#include "playlist/Track.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "app/TextUtil.h"

void TrackList::Reindex() const {
  byId_.clear();
  byFile_.clear();
  byId_.reserve(items_.size());
  byFile_.reserve(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    byId_.emplace(items_[i].ID, i);
    byFile_.emplace(text::Lower(items_[i].File), i);
  }
  dirty_ = false;
}

const Track* TrackList::Find(int32_t id) const {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (dirty_) Reindex();
    auto it = byId_.find(id);
    if (it == byId_.end()) return nullptr;
    if (it->second < items_.size() && items_[it->second].ID == id) return &items_[it->second];
    dirty_ = true;  // an element was changed in place: index again once
  }
  return nullptr;
}

Track* TrackList::Find(int32_t id) { return const_cast<Track*>(static_cast<const TrackList*>(this)->Find(id)); }

Track* TrackList::FindFile(const std::string& file) {
  std::string key = text::Lower(file);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (dirty_) Reindex();
    auto it = byFile_.find(key);
    if (it == byFile_.end()) return nullptr;
    if (it->second < items_.size() && text::EqualsNoCase(items_[it->second].File, file)) return &items_[it->second];
    dirty_ = true;
  }
  return nullptr;
}

void TrackList::Append(Track t) {
  items_.push_back(std::move(t));
  if (!dirty_) {
    const Track& b = items_.back();
    byId_.emplace(b.ID, items_.size() - 1);
    byFile_.emplace(text::Lower(b.File), items_.size() - 1);
  }
}

bool TrackList::Remove(int32_t id) {
  auto it = std::find_if(items_.begin(), items_.end(), [id](const Track& t) { return t.ID == id; });
  if (it == items_.end()) return false;
  items_.erase(it);
  dirty_ = true;
  return true;
}

void TrackList::RemoveFirst() {
  if (items_.empty()) return;
  items_.erase(items_.begin());
  dirty_ = true;
}

void TrackList::Clear() {
  items_.clear();
  dirty_ = true;
}

void TrackList::Assign(std::vector<Track> items) {
  items_ = std::move(items);
  dirty_ = true;
}

std::vector<Track> TrackList::Take() {
  dirty_ = true;
  return std::exchange(items_, {});
}

void TrackList::SortByOrder() {
  std::stable_sort(items_.begin(), items_.end(), [](const Track& a, const Track& b) { return a.Order < b.Order; });
  dirty_ = true;
}

namespace {
struct Lists {
  TrackList play, played, explore;
  int32_t lastId = 0;
};
Lists& L() {
  static Lists l;
  return l;
}
}  // namespace

TrackList& PlayList() { return L().play; }
TrackList& PlayedList() { return L().played; }
TrackList& ExploreList() { return L().explore; }
int32_t& LastTrackID() { return L().lastId; }

void ResetTracks() {
  L().play.Clear();
  L().played.Clear();
  L().explore.Clear();
  L().lastId = 0;
}

int32_t NewTrackID() {
  int32_t& last = L().lastId;
  while (true) {
    // Wrap before the increment could overflow: IDs stay positive.
    if (last == std::numeric_limits<int32_t>::max() || last < 0) last = 0;
    int32_t id = ++last;
    if (L().play.Find(id) || L().played.Find(id)) continue;
    if (L().explore.Find(id) || L().explore.Find(-id)) continue;
    return id;
  }
}

Track* FindTrack(int32_t id) { return id == 0 ? nullptr : L().play.Find(id); }

int AddTrack(const Track& track, int32_t& id) {
  if (track.ID < 0) return 0;
  if (Track* present = L().play.FindFile(track.File)) {
    id = present->ID;
    return -1;
  }
  Track t = track;
  if (t.ID == 0) t.ID = NewTrackID();
  id = t.ID;
  L().play.Append(std::move(t));
  return 1;
}

void SetTrackState(int32_t id, int32_t state) {
  if (Track* t = FindTrack(id)) t->State = state;
}

void SetTrackFlag(int32_t id, int32_t mask, bool on) {
  if (Track* t = FindTrack(id)) t->Flags = on ? (t->Flags | mask) : (t->Flags & ~mask);
}

bool IsActiveState(int32_t state) { return state == Playing || state == Pause; }

int32_t ActiveTrackID() {
  for (const auto& t : L().play)
    if (IsActiveState(t.State)) return t.ID;
  return 0;
}

void AddToPlayedList(int32_t id) {
  while (L().played.size() > kPlayedListMax - 1) L().played.RemoveFirst();
  if (const Track* t = FindTrack(id)) L().played.Append(*t);
}

int32_t IsInPlayedList(int32_t id) { return id != 0 && L().played.Find(id) ? id : 0; }
