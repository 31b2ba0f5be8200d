#include "playlist/Profiles.h"

#include <array>
#include <vector>

#include "access/Speech.h"
#include "app/AppState.h"
#include "app/Shell.h"
#include "lang/Lang.h"
#include "playlist/LengthCache.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"
#include "app/FileUtil.h"
#include "playlist/PlayerPort.h"
#include "playlist/Track.h"
#include "settings/SettingIds.h"
#include "settings/Settings.h"

namespace {

struct ProfileInfo {
  const char* nameKey;
  const char* file;
};
constexpr std::array<ProfileInfo, kProfileCount> kProfiles = {{
    {"Profil.Default", "ProfilDefault.M3U"},
    {"Profil.Musik", "ProfilZik.M3U"},
    {"Profil.Book", "ProfilBook.M3U"},
    {"Profil.Radio", "ProfilRadio.M3U"},
}};

struct StoredProfile {
  std::vector<Track> tracks;
  // Entries of the profile file that could not be used at load (a drive not mounted, a file
  // that does not open now): kept so that saving the profile does not lose them.
  std::vector<Track> heldBack;
  bool loaded = false;
  int32_t selected = 0;
};

struct ProfileState {
  int32_t current = -1;
  std::string name;
  bool looping = false;
  std::array<StoredProfile, kProfileCount> stored;
};

ProfileState& P() {
  static ProfileState p;
  return p;
}

void StoreFlag(int id, bool on) {
  SetMWFlag(id, on);
  App.SettingsChanged = true;
}

void ShowItem(int item, bool enabled, bool checked) {
  TheShell().SetMenuItemEnabled(item, enabled);
  TheShell().SetMenuItemChecked(item, checked);
}

}  // namespace

namespace {

const char* const kLengthCacheFile = "Lengths.cache";

// Loaded at the first profile load of a run; written after each load that learnt something.
LengthCache& Lengths() {
  static LengthCache cache;
  return cache;
}
bool& LengthsLoaded() {
  static bool loaded = false;
  return loaded;
}

// Examines the tracks read from a profile file as ExamineTrack (not forced) would, one by one
// in list order: usable[i] tells which pass. Known files take their length from the cache, the
// others are examined all at once.
std::vector<bool> ExamineProfileTracks(std::vector<Track>& tracks) {
  std::vector<bool> usable(tracks.size(), false);
  const bool examine = GetMWFlag(setting::ExamineBeforeAdd);
  std::vector<int64_t> sizes(tracks.size(), 0), times(tracks.size(), 0);
  std::vector<int32_t> lengths(tracks.size(), -1);
  std::vector<bool> present(tracks.size(), false);
  std::vector<std::string> toExamine;
  std::vector<size_t> examinedAt;
  LengthCache& cache = Lengths();
  const std::string cachePath = App.PrefPath + kLengthCacheFile;
  if (examine && !LengthsLoaded()) {
    LengthsLoaded() = true;
    cache.Load(cachePath);  // a missing or damaged cache starts empty and is written anew
  }
  for (size_t i = 0; i < tracks.size(); ++i) {
    const Track& t = tracks[i];
    if (IsURL(t.File)) {
      present[i] = true;
      continue;
    }
    present[i] = LengthCache::Stamp(t.File, sizes[i], times[i]);
    if (!present[i] || !examine) continue;
    if (!cache.Find(t.File, sizes[i], times[i], lengths[i])) {
      examinedAt.push_back(i);
      toExamine.push_back(t.File);
    }
  }
  if (!toExamine.empty()) {
    std::vector<int32_t> learnt = Player().ExamineFiles(toExamine);
    for (size_t k = 0; k < examinedAt.size() && k < learnt.size(); ++k) {
      const size_t i = examinedAt[k];
      lengths[i] = learnt[k];
      if (learnt[k] >= 0) cache.Put(tracks[i].File, sizes[i], times[i], learnt[k]);
    }
  }
  for (size_t i = 0; i < tracks.size(); ++i) {
    Track& t = tracks[i];
    if (!present[i]) continue;
    if (IsURL(t.File) || !examine) {
      usable[i] = Player().ExamineTrack(t, false) != 0;
    } else {
      t.Name = TrackNameOf(t.File);
      usable[i] = UpdateTrackLength(lengths[i], t) != 0;
    }
  }
  if (cache.Changed()) cache.Save(cachePath);
  return usable;
}

}  // namespace

int32_t CurrentProfile() { return P().current; }
const std::string& ProfileName() { return P().name; }
bool IsBookProfile() { return P().current == kBookProfile; }
bool LoopingChecked() { return P().looping; }

void ResetProfiles() {
  P() = ProfileState();
  Lengths().Clear();
  LengthsLoaded() = false;
}

bool IsFeatureAllowed(int feature, int profile) {
  if (profile == kCurrentProfile) profile = P().current;
  switch (feature) {
    case cmd::Fading:
    case cmd::Looping: return profile == 0 || profile == 1;
    case cmd::RemovePlayed: return profile >= 0 && profile <= 2;
    case cmd::EnableTempoPitch: return profile == 0 || profile == 1 || profile == 3;
    case kFeatureKeepTempoPitch: return profile == kBookProfile;
    default: return false;
  }
}

std::string ProfileFile(int profile) {
  int n = profile >= 1 && profile <= 3 ? profile : 0;
  return App.PrefPath + kProfiles[n].file;
}

int LoadProfileList(int profile) {
  if (!GetMWFlag(setting::StartWithOldTracks)) return 1;
  std::vector<Track> read;
  int options = IsFeatureAllowed(kFeatureKeepTempoPitch, profile) ? kLoadKeepTempoPitch : 0;
  if (LoadPlayListAny(ProfileFile(profile), read, options) == 0) return 0;
  auto& heldBack = P().stored[profile >= 0 && profile < kProfileCount ? profile : 0].heldBack;
  heldBack.clear();
  std::vector<bool> usable = ExamineProfileTracks(read);
  for (size_t i = 0; i < read.size(); ++i) {
    int32_t id = 0;
    if (usable[i]) AddTrack(read[i], id);
    else heldBack.push_back(read[i]);
  }
  return 1;
}

void SaveProfileList(int profile) {
  if (!GetMWFlag(setting::StartWithOldTracks)) return;
  const auto& heldBack = P().stored[profile >= 0 && profile < kProfileCount ? profile : 0].heldBack;
  if (heldBack.empty()) {
    SavePlayListFile(ProfileFile(profile));
    return;
  }
  std::vector<const Track*> tracks;
  ListModel& rows = PlayListRows();
  for (int r = 0; r < rows.Count(); ++r)
    if (const Track* t = FindTrack(static_cast<int32_t>(rows.Data(r)))) tracks.push_back(t);
  for (const Track& t : heldBack) tracks.push_back(&t);
  fileutil::WriteFileAtomic(ProfileFile(profile), PlayListText(tracks, ProfileFile(profile)));
}

int SwitchProfile(int profile, bool silent) {
  ProfileState& p = P();
  if (profile == p.current) {
    // Nothing changes, but the menu toggled the item the user chose: its mark is put back.
    if (p.current >= 0) TheShell().SetMenuItemChecked(cmd::ProfilDefault + p.current, true);
    return 0;
  }
  if (Player().IsOutputBusy()) Player().OutputPlay(nullptr, true);
  for (Track& t : PlayList())
    if (t.State == FadeOut) t.State = Played;
  RemovePlayedTracks();
  SyncOrder();
  if (p.current >= 0 && p.current < kProfileCount) {
    StoredProfile& s = p.stored[p.current];
    s.tracks = PlayList().Items();
    SaveProfileList(p.current);
    s.selected = SelectedTrackID(PlayListRows());
  }
  ClearPlayList();
  for (int i = 0; i < kProfileCount; ++i) TheShell().SetMenuItemChecked(cmd::ProfilDefault + i, false);

  int n = profile >= 1 && profile <= 3 ? profile : 0;
  StoredProfile& s = p.stored[n];
  if (s.loaded) {
    PlayList().Assign(std::move(s.tracks));
    s.tracks.clear();
  } else {
    s.loaded = true;
    LoadProfileList(n);
  }
  p.name = Lang(kProfiles[n].nameKey);
  p.current = n;
  TheShell().SetMenuItemChecked(cmd::ProfilDefault + n, true);
  if (!silent) Speak(Lang("Say.Profil", p.name));

  ListModel& rows = PlayListRows();
  std::vector<ListModel::Row> added;
  added.reserve(PlayList().size());
  for (const Track& t : PlayList()) {
    ListModel::Row row;
    row.cells.resize(kPlayListColumns);
    for (int c = 0; c < kPlayListColumns; ++c) row.cells[c] = ColumnText(c, t);
    row.data = t.ID;
    added.push_back(std::move(row));
  }
  rows.AppendRows(std::move(added));
  SelectTrackRow(rows, s.selected, 0);

  UpdatePlayControls();
  Player().SetMute(false, true);
  Player().SetTempoPitchEnabled(GetMWFlag(setting::OutputEnableTempoPitch), true);
  SetNoKeepEffect(false);
  UpdateNextPrevItems();
  SetRandom(false);
  SetRemovePlayed(false, true);
  SetLooping(0, true);
  SetFading(false, true);
  Player().RefreshPlayerDisplay();
  SetNoKeepTempoPitch(false);
  TheShell().FocusGadget(gadget::MainWindow, gadget::PlayList);
  return 0;
}

void SetFading(bool change, bool silent) {
  if (!IsFeatureAllowed(cmd::Fading)) {
    ShowItem(cmd::Fading, false, false);
    return;
  }
  bool value = GetMWFlag(setting::OutputFadingEnable);
  if (change) {
    value = !value;
    StoreFlag(setting::OutputFadingEnable, value);
    if (!silent) Speak(Lang(value ? "Say.FadingOn" : "Say.FadingOff"));
  }
  ShowItem(cmd::Fading, true, value);
}

void SetLooping(int value, bool silent) {
  ProfileState& p = P();
  if (!IsFeatureAllowed(cmd::Looping)) {
    p.looping = false;
    ShowItem(cmd::Looping, false, false);
    return;
  }
  bool on = value < 0 ? !p.looping : value != 0;
  p.looping = on;
  if (!silent) Speak(Lang(on ? "Say.LoopingOn" : "Say.LoopingOff"));
  ShowItem(cmd::Looping, true, on);
}

void SetRandom(bool change) {
  if (change) StoreFlag(setting::OutputRandom, !GetMWFlag(setting::OutputRandom));
  TheShell().SetMenuItemChecked(cmd::Random, GetMWFlag(setting::OutputRandom));
}

void SetRemovePlayed(bool change, bool silent) {
  if (!IsFeatureAllowed(cmd::RemovePlayed)) {
    ShowItem(cmd::RemovePlayed, false, false);
    return;
  }
  bool value = GetMWFlag(setting::RemovePlayed);
  if (change) {
    value = !value;
    StoreFlag(setting::RemovePlayed, value);
  }
  RemovePlayedTracks();
  RefreshStates();
  if (!silent) Speak(Lang(value ? "Say.RemovePlayedOn" : "Say.RemovePlayedOff"));
  ShowItem(cmd::RemovePlayed, true, value);
}

void SetNoKeepTempoPitch(bool change) {
  bool value = false;
  if (P().current != kBookProfile && P().current != kRadioProfile) {
    value = GetMWFlag(setting::OutputNoKeepTempoPitch);
    if (change) {
      value = !value;
      StoreFlag(setting::OutputNoKeepTempoPitch, value);
    }
  }
  ShowItem(cmd::NoKeepTempoPitch, IsFeatureAllowed(cmd::EnableTempoPitch), value);
}

void SetNoKeepEffect(bool change) {
  if (change) StoreFlag(setting::OutputNoKeepEffect, !GetMWFlag(setting::OutputNoKeepEffect));
  TheShell().SetMenuItemChecked(cmd::NoKeepEffect, GetMWFlag(setting::OutputNoKeepEffect));
}

bool StoreBookPosition(int32_t id, int32_t seconds) {
  Track* t = FindTrack(id);
  if (!IsBookProfile() || !t || seconds < 0) return false;
  t->Start = seconds;
  SetRowText(PlayListRows(), id, ColumnText(3, *t), 3);
  return true;
}

bool ProfileCommand(int id) {
  if (id >= cmd::ProfilDefault && id < cmd::ProfilDefault + kProfileCount) {
    SwitchProfile(id - cmd::ProfilDefault, false);
    return true;
  }
  switch (id) {
    case cmd::Fading: SetFading(true, false); return true;
    case cmd::Looping: SetLooping(-1, false); return true;
    case cmd::Random: SetRandom(true); return true;
    case cmd::RemovePlayed: SetRemovePlayed(true, false); return true;
    case cmd::NoKeepTempoPitch: SetNoKeepTempoPitch(true); return true;
    case cmd::NoKeepEffect: SetNoKeepEffect(true); return true;
    default: return false;
  }
}

void EnterStartProfile() { SwitchProfile(0, true); }
void StoreProfileAtQuit() { SwitchProfile(-1, true); }
